// The collector and probe programs against each other over real FIFOs and
// real System V objects, on both transports: answers in every form, control
// words, answers of several parts, history and age-to copies, who may ask,
// clients that die mid-answer, hostile local input, leftovers of a killed
// collector, a second collector, a database outage, the evaluator, the
// exporter and the ways a collector stops.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "comm/request_record.h"
#include "comm/share_init.h"
#include "comm_fixture.h"
#include "db_test_util.h"
#include "driver/environ.h"
#include "message_lines.h"
#include "openmetrics_check.h"

namespace {
using namespace std::chrono_literals;
using namespace std::string_literals;

// Rows of BIG: 3,000 records of 100 bytes, more than three parts of the
// shared-memory data block and many times a pipe's buffer.
constexpr int kBigRows = 3000;
const std::string kNamesCsv = "id,name\n1,alpha\n22,beta\n-3,gamma d\n";

// The recorded objects of a key file, and its path ("" when there is none).
struct key_ids {
  int server_pid = -1, writer_pid = -1, req_shm = -1, req_sem = -1, data_shm = -1, data_sem = -1;
  std::string path;
  int live() const { return live_ipc(req_shm, req_sem, data_shm, data_sem); }
};

// One scratch directory with a database, the control files of
// tests/data/comm/ctl/zdb*.ctl, a collector environment and the probe. The
// parameter chooses the transport.
class ProbeEndToEnd : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    std::string sql =
        "CREATE TABLE people(id INTEGER, name VARCHAR(8));"
        "INSERT INTO people VALUES(1, 'alpha'), (22, 'beta'), (-3, 'gamma d');"
        "CREATE TABLE loads(host VARCHAR(8), cpu INTEGER);"
        "INSERT INTO loads VALUES('a', 50), ('b', 85);"
        "CREATE TABLE big(n INTEGER, pad VARCHAR(96));"
        "CREATE TABLE h(name VARCHAR(6)); INSERT INTO h VALUES('ab'),('cd');"
        "CREATE VIEW hosts AS SELECT name, CAST(strftime('%s', 'now') AS INTEGER) AS s FROM h;"
        "WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM s WHERE n < " +
        std::to_string(kBigRows) + ") INSERT INTO big SELECT n, printf('row%05d', n) FROM s;";
    make_sqlite_file(dir_.file("S1.db"), sql.c_str());
    // The table definition of INSERT !PSTAT is read from the working directory.
    std::filesystem::copy_file(TEST_DATA_DIR "/comm/ctl/PSTAT.PXA", dir_.file("PSTAT.PXA"));
  }
  void TearDown() override {
    collectors_.clear();
    // Whatever a failed test left is removed, then reported.
    key_ids k = read_key();
    int left = k.live();
    for (int id : {k.req_shm, k.data_shm}) shmctl(id, IPC_RMID, nullptr);
    for (int id : {k.req_sem, k.data_sem}) semctl(id, 0, IPC_RMID);
    EXPECT_EQ(left, 0) << "IPC objects left behind";
    EXPECT_FALSE(std::filesystem::exists(fifo())) << "FIFO left behind";
  }

  bool pipes() const { return std::string(GetParam()) == "pipe"; }

  // The environment of both programs; `out` is the collector's output directory.
  std::vector<std::string> env(const std::string& out = "", int wait_timeout = 20,
                               int collector_wait = 3) const {
    std::istringstream words(
        "PATH=/usr/bin:/bin HOME=@ PWD=@ USER=tester TZ=UTC COLL_HOSTNAME=alpha COLL_SERVERID=S1 "
        "COLL_VERSION=zdb COLL_DBHOME=@ COLL_PREFIX=@ COLL_PREFIX_LOCAL=@");
    std::vector<std::string> env = extra_env_;  // first, so that they win
    for (std::string w; words >> w;)
      env.push_back(w.ends_with("@") ? w.erase(w.size() - 1) + d_ : w);
    env.push_back("COLL_OUT=" + (out.empty() ? d_ : out));
    env.push_back("COLL_CTL_HOME=" TEST_DATA_DIR "/comm/ctl");
    env.push_back(std::string("COLL_USESHM=") + (pipes() ? "0" : "1"));
    env.push_back("WAIT_TIMEOUT=" + std::to_string(wait_timeout));
    env.push_back("COLL_WAIT_TIMEOUT=" + std::to_string(collector_wait));
    return env;
  }

  CollectorRun& start(const std::string& out = "", int wait_timeout = 20, int collector_wait = 3) {
    collectors_.push_back(
        std::make_unique<CollectorRun>(env(out, wait_timeout, collector_wait), dir_.path()));
    return *collectors_.back();
  }

  ChildResult probe(std::vector<std::string> args) {
    args.insert(args.begin(), PROBE_BIN);
    return run_program(PROBE_BIN, args, env(), dir_.path());
  }

  // Asks until the answer has rows (the first collection may take a pass or
  // two); returns the last result.
  ChildResult probe_until_rows(const std::vector<std::string>& args) {
    ChildResult r;
    poll_until(30s, [&] { return (r = probe(args)).exit_code == 0; });
    return r;
  }

  // In a child process: this test's environment in the transport's settings.
  void child_settings() {
    for (const std::string& e : env()) putenv(strdup(e.c_str()));
    reset_process_state();
    get_envs(env_vars);
  }

  std::string fifo() const { return dir_.file("col_S1_zdb_pipe"); }

  // The mode of the FIFO or of the request segment.
  unsigned ipc_mode() const {
    if (pipes()) return static_cast<unsigned>(std::filesystem::status(fifo()).permissions());
    shmid_ds ds;
    return shmctl(read_key().req_shm, IPC_STAT, &ds) == 0 ? ds.shm_perm.mode & 0777 : 0;
  }

  // A probe for NAMES run as nobody, or none without root to switch users.
  std::optional<ChildResult> other_user_probe() {
    if (geteuid() != 0 || access("/usr/bin/setpriv", X_OK) != 0) return std::nullopt;
    chmod(d_.c_str(), 01777);  // the other user's probe makes its reply pipe here
    return run_program("/usr/bin/setpriv",
                       {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", PROBE_BIN,
                        "-f", "csv", "NAMES"},
                       env(), d_);
  }

  // The key file: the file of the scratch directory with a lock file beside it.
  key_ids read_key() const {
    key_ids k;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
      if (std::filesystem::exists(e.path().string() + "-lk")) {
        std::ifstream in(k.path = e.path());
        in >> k.server_pid >> k.writer_pid >> k.req_shm >> k.req_sem >> k.data_shm >> k.data_sem;
      }
    return k;
  }

  // The message lines of the print files in `out` (backups included).
  std::vector<std::string> print_lines(const std::string& out = "") const {
    std::vector<std::string> lines;
    for (const auto& e : std::filesystem::directory_iterator(out.empty() ? dir_.path() : out))
      if (e.path().filename().string().find("col") != std::string::npos &&
          e.path().extension() == ".out")
        for (const std::string& l : message_lines(read_whole(e.path()))) lines.push_back(l);
    return lines;
  }

  // Whether a message line of a print file in `out` begins with `line`.
  bool printed(const std::string& line, const std::string& out = "") const {
    for (const std::string& l : print_lines(out))
      if (l.starts_with(line)) return true;
    return false;
  }

  ScratchDir dir_;
  const std::string d_ = dir_.path();
  std::vector<std::string> extra_env_;  // further settings of both programs
  std::vector<std::unique_ptr<CollectorRun>> collectors_;
};

// Asks in every form; SHUTDOWN then stops the collector, which leaves
// nothing behind.
TEST_P(ProbeEndToEnd, AnswersEveryFormThenShutsDown) {
  CollectorRun& c = start();
  ASSERT_EQ(probe_until_rows({"NAMES"}).exit_code, 0);
  std::string big_csv = "n,pad\n";
  char line[32];
  for (int n = 1; n <= kBigRows; ++n)
    big_csv.append(line, snprintf(line, sizeof line, "%d,row%05d\n", n, n));
  // Rows of tests/data/comm/probe_answers.txt.
  for (const auto& r : data_rows("comm/probe_answers.txt", 9)) {
    std::vector<std::string> args(r.begin() + 2, std::find(r.begin() + 2, r.end(), ""));
    std::replace(args.begin(), args.end(), std::string("\"\""), std::string());
    SCOPED_TRACE(testing::PrintToString(args));
    const std::string want = r[1] == "(BIG csv)" ? big_csv : r[1];
    const size_t n = want.ends_with("...") ? want.size() - 3 : std::string::npos;
    ChildResult got = probe(args);
    EXPECT_EQ(got.exit_code, std::stoi(r[0])) << got.output.substr(0, 200);
    EXPECT_EQ(got.output.substr(0, n), want.substr(0, n));
  }
  // Row counts of the status answers: thirteen cursors and the percent cursor, four processes.
  for (auto [word, lines] : {std::pair{"C-STATUS", 15}, {"D-STATUS", 5}}) {
    std::string csv = probe({"-f", "csv", word}).output;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), lines) << word;
  }
  // Shared memory carries 40 parameters of 19 characters.
  if (!pipes()) {
    std::vector<std::string> args{"-f", "csv", "NAMES"};
    for (int k = 0; k < kMaxParms; ++k) args.push_back(std::string(19, 'a' + k % 26));
    EXPECT_EQ(probe(args).output, kNamesCsv);
  }
  // By default any local user is served, whatever the collector's umask.
  EXPECT_EQ(ipc_mode(), pipes() ? 0777u : 0666u);
  if (auto other = other_user_probe()) {
    EXPECT_EQ(other->output, kNamesCsv);
  }
  // SRC ages into PREV, which holds the sample SRC showed or an older one
  // (SRC's second column is the second of its run); SRC's history file holds
  // whole records: the pass time, the name at its place, the second (two
  // rows of at least two passes).
  const std::string src = probe_until_rows({"-f", "csv", "SRC"}).output;
  const std::string prev = probe_until_rows({"-f", "csv", "PREV"}).output;
  const std::regex two_rows(R"([^\n]+\nab,(\d+)\ncd,\d+\n)");
  std::smatch src_row, prev_row;
  ASSERT_TRUE(std::regex_match(src, src_row, two_rows)) << src;
  ASSERT_TRUE(std::regex_match(prev, prev_row, two_rows)) << prev;
  EXPECT_LE(std::stol(prev_row[1]), std::stol(src_row[1]));
  const std::regex whole_records(R"((\d{14}(ab|cd) +\d+ *\n){4,})");
  std::string hst;
  EXPECT_TRUE(poll_until(10s, [&] {
    return std::regex_match(hst = read_whole(dir_.file("SRC.HST")), whole_records);
  })) << hst;

  key_ids k = read_key();
  ChildResult stop = probe({"SHUTDOWN"});
  EXPECT_EQ(stop.exit_code, 0) << stop.output;
  EXPECT_EQ(stop.output, "");
  EXPECT_EQ(c.wait(30s), 0);
  EXPECT_TRUE(printed("CGN1524I "));
  EXPECT_FALSE(std::filesystem::exists(fifo())) << "after SHUTDOWN";
  EXPECT_EQ(k.live(), 0) << "after SHUTDOWN";
  // With the collector gone the probe says so at once, in one line.
  ChildResult gone = probe({"NAMES"});
  EXPECT_EQ(gone.exit_code, 2);
  EXPECT_TRUE(gone.output.starts_with("probe: ") &&
              gone.output.find('\n') == gone.output.size() - 1)
      << gone.output;
}

// A probe gives up on a collector that stopped answering; killed outright,
// the collector leaves its FIFO or objects behind; the next one
// removes them and serves with new ones; on shared memory a third collector
// attaches to those and its stop leaves them to their creator; a
// terminating signal stops that one in order.
TEST_P(ProbeEndToEnd, KilledCollectorIsReplacedAndSignalStopsTheNext) {
  CollectorRun& first = start();
  ASSERT_EQ(probe_until_rows({"NAMES"}).exit_code, 0);
  key_ids old = read_key();
  // A collector that stopped answering: the probe gives up after its layout
  // request instead of sending the data request as well.
  kill(first.pid, SIGSTOP);
  ChildResult stuck = run_program(PROBE_BIN, {PROBE_BIN, "NAMES"}, env("", 1), d_);
  EXPECT_EQ(stuck.exit_code, 2);
  EXPECT_TRUE(stuck.output.starts_with("probe: request C-LAYOUT failed: ")) << stuck.output;
  kill(first.pid, SIGKILL);
  EXPECT_EQ(first.wait(10s), 128 + SIGKILL);
  if (pipes())
    EXPECT_TRUE(std::filesystem::exists(fifo())) << "after SIGKILL";
  else
    EXPECT_EQ(old.live(), 4) << "after SIGKILL";
  ChildResult none = probe({"NAMES"});
  EXPECT_EQ(none.exit_code, 2) << "leftovers taken for a collector: " << none.output;

  CollectorRun& second = start();
  ASSERT_EQ(probe_until_rows({"NAMES"}).exit_code, 0);
  EXPECT_EQ(old.live(), 0) << "stale objects kept";
  key_ids k = read_key();

  if (!pipes()) {
    ScratchDir third_out;
    CollectorRun& third = start(third_out.path());
    key_ids now;
    poll_until(10s, [&] { return (now = read_key()).writer_pid == third.pid; });
    SCOPED_TRACE("third collector");
    EXPECT_EQ(std::tie(now.server_pid, now.writer_pid, now.req_shm, now.data_sem),
              std::tie(second.pid, third.pid, k.req_shm, k.data_sem));
    EXPECT_EQ(probe({"NAMES"}).exit_code, 0);
    kill(third.pid, SIGTERM);
    EXPECT_EQ(third.wait(60s), 0);
    EXPECT_TRUE(printed("USH0035I Attached IPCID(", third_out.path()));
    EXPECT_EQ(k.live(), 4) << "the creator still uses them";
    EXPECT_EQ(probe({"NAMES"}).exit_code, 0);
  }

  kill(second.pid, SIGTERM);
  EXPECT_EQ(second.wait(60s), 0);
  EXPECT_TRUE(printed("CIR5005S Received interupt (15). Quitting."));
  EXPECT_FALSE(std::filesystem::exists(fifo())) << "after SIGTERM";
  EXPECT_EQ(k.live(), 0) << "after SIGTERM";
}

// Hostile local input, one act after the other against one collector whose
// objects only its owner may use: none may crash or hang it past the answer
// deadline (4 x COLL_WAIT_TIMEOUT, 12 s here) or touch a file; after each a
// probe is answered in full. A probe stopped by SIGTERM while it waits leaves
// nothing behind; none of the probes writes the key file.
TEST_P(ProbeEndToEnd, HostileInputNeitherStopsNorTouches) {
  extra_env_ = {"COLL_IPC_MODE=0600"};
  CollectorRun& c = start();
  ASSERT_EQ(probe_until_rows({"NAMES"}).exit_code, 0);
  const std::string kept = "precious\n";
  const std::string file = write_file(dir_, "precious", kept);
  const std::string key_before = pipes() ? "" : read_whole(read_key().path);
  std::mt19937 random(12);
  auto noise = [&](size_t n) {
    std::string out(n, 0);
    for (char& ch : out) ch = static_cast<char>(random());
    return out;
  };
  // Writes bytes into the collector's request pipe as any local process may.
  auto into_request_pipe = [&](const std::string& bytes) {
    int fd = open(fifo().c_str(), O_WRONLY | O_NONBLOCK);
    EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fd);
  };
  auto request_to = [&](const std::string& reply) {
    std::vector<uint8_t> r = encode_request("NAMES", reply, {});
    into_request_pipe(std::string(r.begin(), r.end()));
  };
  // In a child: attaches to the collector's objects as a probe would.
  auto as_share_client = [&](const std::function<int()>& act) {
    ChildResult r = run_in_child([&] {
      child_settings();
      _exit(AttachShare("S1") == 0 ? act() : 3);
    });
    EXPECT_EQ(r.exit_code, 0) << r.output;
  };
  // A probe program asking for BIG, ended by `sig` while it waits for the
  // answer of a collector held still meanwhile.
  auto reply_pipes = [&] {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(d_))
      if (e.path().filename().string().starts_with("prb_")) names.insert(e.path());
    return names;
  };
  auto probe_ended_by = [&](int sig) {
    const std::set<std::string> before = reply_pipes();
    kill(c.pid, SIGSTOP);
    std::vector<std::string> args{PROBE_BIN, "-f", "raw", "BIG"};
    int pid = start_program(PROBE_BIN, args, env(), d_, dir_.file("probe.log"));
    EXPECT_TRUE(poll_until(10s, [&] {
      if (!pipes()) return semctl(read_key().req_sem, kSemFilled, GETVAL) == 1;
      return reply_pipes().size() > before.size();
    }));
    std::this_thread::sleep_for(200ms);
    kill(pid, sig);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
    // Only a probe killed outright leaves its reply pipe behind (and later
    // probes take other names while it is there).
    if (sig == SIGTERM) {
      EXPECT_EQ(reply_pipes(), before) << "reply pipe left";
      if (!pipes()) {
        EXPECT_EQ(read_key().live(), 4) << "objects of a running collector removed";
      }
    }
    kill(c.pid, SIGCONT);
  };
  // A reader of BIG that takes `parts` parts (a part on shared memory, up to
  // 4 KiB of the pipe), each `pause` seconds after the last. A reader of one
  // part stops there: on shared memory it does not even take it.
  auto big_reader = [&](int parts, int pause) {
    ChildResult r = run_in_child([&] {
      child_settings();
      if (pipes()) {
        std::string reply = dir_.file("slow_pipe");
        mkfifo(reply.c_str(), 0600);
        pollfd in{open(reply.c_str(), O_RDONLY | O_NONBLOCK), POLLIN, 0};
        std::vector<uint8_t> rec = encode_request("BIG", reply, {});
        int out = open(fifo().c_str(), O_WRONLY);
        if (write(out, rec.data(), rec.size()) != static_cast<ssize_t>(rec.size()) ||
            poll(&in, 1, 20000) != 1)
          _exit(1);
        char buf[4096];
        for (int i = 0; i < parts; ++i, sleep(pause))
          if (read(in.fd, buf, sizeof buf) == 0) break;  // the collector gave up
        unlink(reply.c_str());
        _exit(0);
      }
      if (AttachShare("S1") != 0) _exit(3);
      QVZRequest req;
      req.name = "BIG";
      if (share_state.request_obj->SendRequest(&req, 20) != 0) _exit(4);
      QVZSemaphore& sem = share_state.data_obj->semaphore();
      if (parts == 1) _exit(sem.TimedWait(kSemFilled, 20) == 0 ? 0 : 5);
      for (int block = 0; block < parts && sem.TimedTake(kSemFilled, 8) == 0; ++block) {
        sleep(pause);
        sem.Give(kSemAvailable);
      }
      _exit(0);
    });
    EXPECT_EQ(r.exit_code, 0) << r.output;
  };

  struct act {
    const char* what;
    bool pipe, shm;             // the transports it applies to
    std::function<void()> run;  // the hostile act
    const char* printed;        // the start of a line the collector prints, or null
  };
  const act acts[] = {
      // another user's probe is refused
      {"another user", true, true,
       [&] {
         EXPECT_EQ(ipc_mode(), 0600u);
         if (auto other = other_user_probe()) {
           EXPECT_EQ(other->exit_code, 2) << other->output;
         }
       },
       nullptr},
      // garbage in the request pipe
      {"garbage", true, false, [&] { into_request_pipe(noise(3000)); }, nullptr},
      // a truncated record with a good one queued behind it
      {"truncated", true, false,
       [&] {
         into_request_pipe("\1\0\0\5NA"s);
         request_to(dir_.file("nobody_reads"));
       },
       "CIR1835E Pipe read error."},
      // a reply path that is no FIFO (the other kinds are the transport's own tests)
      {"regular file", true, false, [&] { request_to(file); },
       "COM0117E Reply path is not a FIFO, refused."},
      // the request segment overwritten with random bytes, then offered
      {"request segment noise", false, true,
       [&] {
         as_share_client([&] {
           std::string bytes = noise(sizeof(request_area));
           memcpy(share_state.request_obj->request(), bytes.data(), bytes.size());
           return share_state.request_obj->semaphore().Give(kSemFilled);
         });
       },
       nullptr},
      // the data segment overwritten while idle
      {"data segment noise", false, true,
       [&] {
         as_share_client([&] {
           std::string bytes = noise(kDataSegment);
           memcpy(share_state.data_obj->data(), bytes.data(), bytes.size());
           return 0;
         });
       },
       nullptr},
      // a cursor name too long to be served
      {"long name", false, true,
       [&] {
         as_share_client([&] {
           QVZRequest req;
           req.name = "FOURTEEN_CHARS";
           return share_state.request_obj->SendRequest(&req, 5);
         });
       },
       "USH0215E GetRequest: request 'FOURTEEN_CHARS-"},
      // a reader that stops after the first part: the collector's wait (3 s) runs out
      {"stopped reader", true, true, [&] { big_reader(1, 6); },
       pipes() ? "CIR1880E Data Collector Wait Timeout. Is collector still there? Cursor=BIG"
               : "CIR1880E Share memory time out"},
      // a reader too slow for the answer deadline, each part within the wait
      {"stalling reader", true, true, [&] { pipes() ? big_reader(10, 2) : big_reader(4, 5); },
       pipes() ? "COM0135E Answer not taken within 12 seconds, abandoned."
               : "USH0245E SendData(BIG): answer not taken within 12 seconds, abandoned"},
      // probes ended mid-answer and while waiting
      {"probe killed", true, true, [&] { probe_ended_by(SIGKILL); }, nullptr},
      {"probe terminated", true, true, [&] { probe_ended_by(SIGTERM); }, nullptr},
  };
  for (const act& a : acts) {
    if (!(pipes() ? a.pipe : a.shm)) continue;
    SCOPED_TRACE(a.what);
    const auto started = std::chrono::steady_clock::now();
    a.run();
    ChildResult answer = probe_until_rows({"-f", "csv", "NAMES"});
    EXPECT_EQ(answer.output, kNamesCsv);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 60s);
    EXPECT_EQ(waitpid(c.pid, nullptr, WNOHANG), 0) << "collector ended";
    if (a.printed) {
      EXPECT_TRUE(poll_until(5s, [&] { return printed(a.printed); }));
    }
    EXPECT_EQ(read_whole(file), kept);
  }
  if (!pipes()) {
    EXPECT_EQ(read_whole(read_key().path), key_before);
  }
  // An answer left in the channel by the last act may hold the first asker up.
  int status = -1;
  poll_until(90s, [&] {
    probe({"SHUTDOWN"});
    return (status = c.wait(10s)) >= 0;
  });
  EXPECT_EQ(status, 0);
}

// Runs scripts/pg-server.sh `command` (start, stop) on `dir`: a PostgreSQL
// server of the test's own. Returns the settings its `export` lines print.
std::map<std::string, std::string> pg_server(const std::string& command, const std::string& dir) {
  std::map<std::string, std::string> out;
  const std::string cmd = TEST_DATA_DIR "/../../scripts/pg-server.sh " + command + " " + dir;
  FILE* p = popen((cmd + " 2>/dev/null").c_str(), "r");
  static const std::regex line_re(R"(^export (\w+)='?([^'\n]*)'?)");
  std::smatch m;
  for (char line[1024]; p && fgets(line, sizeof line, p);)
    if (std::string l(line); std::regex_search(l, m, line_re)) out[m[1]] = m[2];
  if (p) pclose(p);
  return out;
}

// Runs `sql` on the server of `pg` and commits; the SQLCODE.
int32_t on_server(std::map<std::string, std::string>& pg, const std::string& sql) {
  db_session s;
  int32_t rc = s.logon_remote(pg["COLLECTOR_TEST_USER"] + "/" + pg["COLLECTOR_TEST_PASSWORD"],
                              "DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;DATABASE=collector;"
                              "UseServerSidePrepare=0;PORT=" +
                                  pg["COLLECTOR_PG_PORT"]);
  if (rc == 0) rc = run_query(s, sql).rc;
  return rc == 0 || rc == sql_no_data ? s.commit(true) : rc;
}

// The database goes away under a collecting collector: first stopped (logons
// refused), then replaced by a listener that accepts connections and never
// answers (logons wait for the login timeout). Probes are answered all the
// while, within the wait timeout; once the server is back the collector logs
// on again and the rows of the later runs arrive.
TEST_P(ProbeEndToEnd, DatabaseOutageLeavesProbesAnswered) {
  if (!pipes()) GTEST_SKIP() << "the database side is the same on both transports";
  if (!getenv("COLLECTOR_TEST_DSN")) GTEST_SKIP() << "COLLECTOR_TEST_DSN not set (no PostgreSQL)";
  ScratchDir pg_dir, ini;
  std::map<std::string, std::string> pg = pg_server("start", pg_dir.path());
  struct stopper {
    std::string dir;
    ~stopper() { pg_server("stop", dir); }
  } stop_at_end{pg_dir.path()};
  ASSERT_TRUE(pg.count("COLLECTOR_PG_PORT")) << "the test server did not start";
  ASSERT_EQ(on_server(pg, "CREATE TABLE people(id INTEGER, name VARCHAR(8))"), 0);
  ASSERT_EQ(on_server(pg, "INSERT INTO people VALUES (1, 'alpha')"), 0);
  // The collector's server id (S1) is its connect string: the server's data
  // source renamed. The control files are those of tests/data/comm/outage.
  std::string sources = read_whole(pg["ODBCINI"]);
  std::ofstream(ini.file("odbc.ini"))
      << sources.replace(sources.find("[collector_test]"), 16, "[S1]");
  extra_env_ = {"COLL_CTL_HOME=" TEST_DATA_DIR "/comm/outage",
                "ODBCSYSINI=" + pg["ODBCSYSINI"],
                "ODBCINI=" + ini.file("odbc.ini"),
                "COLL_LOGON=" + pg["COLLECTOR_TEST_USER"],
                "COLL_PASSWORD=" + pg["COLLECTOR_TEST_PASSWORD"],
                "COLL_LOGON_TIMEOUT=2",
                "COLL_SQL_TIMEOUT=5"};
  CollectorRun& c = start();
  ASSERT_EQ(probe_until_rows({"-f", "csv", "NAMES"}).output, "id,name\n1,alpha\n");

  // Each outage lasts several passes; every probe meanwhile gets its answer
  // (the rows held, or none) well within the probe's wait timeout of 20 s.
  auto answered_throughout = [&](const char* what) {
    for (int i = 0; i < 4; ++i) {
      const auto start = std::chrono::steady_clock::now();
      ChildResult r = probe({"-f", "csv", "NAMES"});
      EXPECT_NE(r.exit_code, 2) << what << ": " << r.output;
      EXPECT_LT(std::chrono::steady_clock::now() - start, 15s) << what;
      std::this_thread::sleep_for(1s);
    }
  };
  pg_server("stop", pg_dir.path());
  answered_throughout("server stopped");
  const int silent = socket(AF_INET, SOCK_STREAM, 0);
  const int on = 1;
  setsockopt(silent, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in at = {};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  at.sin_port = htons(static_cast<uint16_t>(std::stoi(pg["COLLECTOR_PG_PORT"])));
  ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&at), sizeof at), 0) << strerror(errno);
  ASSERT_EQ(listen(silent, 64), 0);
  answered_throughout("server silent");
  close(silent);

  ASSERT_TRUE(pg_server("start", pg_dir.path()).count("COLLECTOR_PG_PORT"));
  ASSERT_EQ(on_server(pg, "INSERT INTO people VALUES (2, 'beta')"), 0);
  ChildResult back;
  poll_until(60s, [&] {
    return (back = probe({"-f", "csv", "NAMES"})).output.find("2,beta") != std::string::npos;
  });
  EXPECT_EQ(back.output, "id,name\n1,alpha\n2,beta\n");
  EXPECT_TRUE(printed("RCD0100E Unable to connect to ORACLE at collector"));
  EXPECT_EQ(probe({"SHUTDOWN"}).exit_code, 0);
  EXPECT_EQ(c.wait(30s), 0);
}

// An HTTP GET of `path` on 127.0.0.1:`port`: the whole response, or "" when
// nobody answers.
std::string http_get(int port, const std::string& path) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string response;
  const std::string request = "GET " + path + " HTTP/1.0\r\n\r\n";
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      write(fd, request.data(), request.size()) == static_cast<ssize_t>(request.size())) {
    char buf[4096];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) response.append(buf, n);
  }
  close(fd);
  return response;
}

// A port nobody listens on just now.
int free_port() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  close(fd);
  return ntohs(addr.sin_port);
}

// The collector's wait for a request (a minute here) ends when its next
// collection is due: a 1-second cursor keeps its pace while nobody asks.
// Meanwhile the evaluator of tests/data/comm/ctl/zdbeval.ctl (LOADS cpu > 80,
// with send_false) goes through three stretches of passes: while b holds 85
// its row is sent every pass; once b holds 80 the row that ended the match is
// sent once, and no more in the passes after; a row at 50 is never sent. The
// print file shows each pass while the collector waits for requests.
// Then the exporter: every scrape asks the running collector and answers
// strict OpenMetrics; with the collector gone it says so in collector_up and
// counts the failed requests; SIGTERM ends it with nothing left behind.
TEST_P(ProbeEndToEnd, IdleCollectorKeepsItsPaceAndExporterAnswersScrapes) {
  CollectorRun& c = start("", 20, 60);
  ASSERT_EQ(probe_until_rows({"NAMES"}).exit_code, 0);
  auto sample_no = [&] {
    std::string json = probe({"-f", "json", "C-STATUS"}).output;
    size_t at = json.find("\"sample_no\":");
    return at == std::string::npos ? -1 : std::stoi(json.substr(at + 12));
  };
  const int before = sample_no();
  // No request meanwhile. The rows send_a_row printed for LOADS with `cpu`:
  auto sent = [&](const std::string& cpu) {
    const std::regex row("^CPR1895I #=2,n=cpu,l=\\d+,o=\\d+,ll=\\d+: *" + cpu + "$");
    const std::vector<std::string> lines = print_lines();
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return std::regex_match(l, row); });
  };
  auto set_b = [&](const char* cpu) {
    make_sqlite_file(dir_.file("S1.db"), ("PRAGMA busy_timeout=10000; UPDATE loads SET cpu = "s +
                                          cpu + " WHERE host = 'b';")
                                             .c_str());
  };
  ASSERT_TRUE(poll_until(30s, [&] { return sent("85") >= 2; })) << "no match sent";
  set_b("80");
  ASSERT_TRUE(poll_until(30s, [&] { return sent("80") >= 1; })) << "the end of the match unsent";
  const long matches = sent("85");
  std::this_thread::sleep_for(3s);  // passes go on: the next change is the first sent
  set_b("90");
  ASSERT_TRUE(poll_until(30s, [&] { return sent("90") >= 1; })) << "no new match sent";
  EXPECT_EQ(sent("80"), 1);
  EXPECT_EQ(sent("85"), matches);
  EXPECT_EQ(sent("50"), 0);
  EXPECT_GE(sample_no(), before + 2);

  const int port = free_port();
  const std::string listen = "127.0.0.1:" + std::to_string(port);
  const int pid =
      start_program(PROBE_BIN, {PROBE_BIN, "--listen", listen, "--cursors", "NAMES,ASKED"}, env(),
                    d_, dir_.file("exporter.log"));
  std::string r;
  poll_until(10s, [&] { return !(r = http_get(port, "/metrics")).empty(); });
  const size_t body = r.find("\r\n\r\n");
  ASSERT_NE(body, std::string::npos) << r;
  EXPECT_TRUE(r.starts_with("HTTP/1.1 200 OK\r\n")) << r;
  EXPECT_NE(r.find("Content-Type: application/openmetrics-text; version=1.0.0; charset=utf-8\r\n"),
            std::string::npos);
  const std::string metrics = r.substr(body + 4);
  EXPECT_EQ(openmetrics_fault(metrics), "") << metrics;
  for (const char* line :
       {"collector_up 1\n", "collector_request_errors_total{cursor=\"NAMES\"} 0\n",
        "collector_names_id{name=\"alpha\"} 1\ncollector_names_id{name=\"beta\"} 22\n"
        "collector_names_id{name=\"gamma d\"} -3\n",
        "collector_asked_id{name=\"alpha\"} 1\n"})
    EXPECT_NE(metrics.find(line), std::string::npos) << line << metrics;
  EXPECT_TRUE(http_get(port, "/").starts_with("HTTP/1.1 404 "));

  ASSERT_EQ(probe({"SHUTDOWN"}).exit_code, 0);
  EXPECT_EQ(c.wait(30s), 0);
  const std::string down = http_get(port, "/metrics");
  EXPECT_EQ(openmetrics_fault(down.substr(down.find("\r\n\r\n") + 4)), "") << down;
  EXPECT_NE(down.find("collector_up 0\n"), std::string::npos) << down;
  EXPECT_NE(down.find("collector_request_errors_total{cursor=\"ASKED\"} 1\n"), std::string::npos);

  kill(pid, SIGTERM);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  for (const auto& e : std::filesystem::directory_iterator(d_))
    EXPECT_FALSE(e.is_fifo()) << e.path();
}

INSTANTIATE_TEST_SUITE_P(Transports, ProbeEndToEnd, ::testing::Values("pipe", "shm"),
                         [](const auto& info) { return std::string(info.param); });
}  // namespace
