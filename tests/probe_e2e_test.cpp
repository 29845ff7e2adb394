// The collector and probe programs against each other over real FIFOs and
// real System V objects, on both transports: answers in every form, control
// words, answers of several parts, clients that die mid-answer, leftovers of
// a killed collector, a second collector, requests older than their
// lifetime, and the ways a collector stops.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/sem.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "child_run.h"
#include "comm/comm.h"
#include "comm/request_record.h"
#include "comm/share_init.h"
#include "db_test_util.h"
#include "driver/environ.h"
#include "message_lines.h"
#include "test_state.h"

namespace {
using namespace std::chrono_literals;

constexpr const char kProcessFile[] =
    "process collector;\n"
    "type local;\n"
    "logon_id scott;\n"
    "password tiger;\n"
    "interval 1;\n"
    "sleep 1;\n"
    "process pxa;\n"
    "interval 1;\n"
    "end;\n";

constexpr const char kCursorFile[] =
    "cursor NAMES;\n"
    "insert into people (id, name) values (:INT!id, :name^8);\n"
    "interval 1;\n"
    "samples 1;\n"
    "cursor BIG;\n"
    "insert into big (n, pad) values (:INT!n, :pad^96);\n"
    "interval 1;\n"
    "samples 1;\n"
    "limit 5000;\n"
    "end;\n";

// Rows of BIG: 3,000 records of 100 bytes, more than three parts of the
// shared-memory data block and many times a pipe's buffer.
constexpr int kBigRows = 3000;

// The recorded objects of a key file.
struct key_ids {
  int server_pid = -1, writer_pid = -1, req_shm = -1, req_sem = -1, data_shm = -1, data_sem = -1;
};

bool shm_exists(int id) {
  shmid_ds ds;
  return id >= 0 && shmctl(id, IPC_STAT, &ds) == 0;
}
bool sem_exists(int id) { return id >= 0 && semctl(id, 0, GETVAL) >= 0; }

// A collector program running in the background until it stops or is killed.
class CollectorRun {
 public:
  CollectorRun(const std::vector<std::string>& env, const std::string& dir) {
    log_ = dir + "/collector.log";
    std::vector<char*> envp;
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    fflush(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      int fd = open(log_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      dup2(fd, 1);
      dup2(fd, 2);
      if (chdir(dir.c_str()) != 0) _exit(126);
      char* argv[] = {const_cast<char*>(COLLECTOR_BIN), nullptr};
      execve(COLLECTOR_BIN, argv, envp.data());
      _exit(127);
    }
  }
  ~CollectorRun() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  CollectorRun(const CollectorRun&) = delete;
  CollectorRun& operator=(const CollectorRun&) = delete;

  int pid() const { return pid_; }
  // Waits at most `limit` for the program to end; returns its exit status,
  // 128 + signal when killed, -1 when it still runs.
  int wait(std::chrono::seconds limit) {
    for (auto end = std::chrono::steady_clock::now() + limit;
         std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(50ms)) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
    }
    return -1;
  }
  void signal(int sig) { kill(pid_, sig); }

 private:
  pid_t pid_ = -1;
  std::string log_;
};

// One scratch directory with a database and control files, a collector
// environment and the probe. The parameter chooses the transport.
class ProbeEndToEnd : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    std::string big =
        "CREATE TABLE people(id INTEGER, name VARCHAR(8));"
        "INSERT INTO people VALUES(1, 'alpha'), (22, 'beta'), (-3, 'gamma d');"
        "CREATE TABLE big(n INTEGER, pad VARCHAR(96));"
        "WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM s WHERE n < " +
        std::to_string(kBigRows) + ") INSERT INTO big SELECT n, printf('row%05d', n) FROM s;";
    make_sqlite_file(dir_.file("S1.db"), big.c_str());
    write_file(dir_, "zdbproc.ctl", kProcessFile);
    write_file(dir_, "zdbcoll.ctl", kCursorFile);
    write_file(dir_, "zdbdict.ctl", "name HOST;\ntype CHAR(8);\nend;\n");
  }
  void TearDown() override {
    collectors_.clear();
    // Whatever a failed test left is removed, then reported.
    key_ids k = read_key();
    bool left = shm_exists(k.req_shm) || shm_exists(k.data_shm) || sem_exists(k.req_sem) ||
                sem_exists(k.data_sem);
    for (int id : {k.req_shm, k.data_shm})
      if (shm_exists(id)) shmctl(id, IPC_RMID, nullptr);
    for (int id : {k.req_sem, k.data_sem})
      if (sem_exists(id)) semctl(id, 0, IPC_RMID);
    EXPECT_FALSE(left) << "IPC objects left behind";
    EXPECT_FALSE(std::filesystem::exists(fifo())) << "FIFO left behind";
  }

  bool pipes() const { return std::string(GetParam()) == "pipe"; }

  // The environment of both programs; `out` is the collector's output directory.
  std::vector<std::string> env(const std::string& out = "") const {
    return {"PATH=/usr/bin:/bin",
            "HOME=" + dir_.path(),
            "PWD=" + dir_.path(),
            "USER=tester",
            "TZ=UTC",
            "COLL_HOSTNAME=alpha",
            "COLL_SERVERID=S1",
            "COLL_VERSION=zdb",
            "COLL_CTL_HOME=" + dir_.path(),
            "COLL_DBHOME=" + dir_.path(),
            "COLL_OUT=" + (out.empty() ? dir_.path() : out),
            "COLL_PREFIX=" + dir_.path(),
            "COLL_PREFIX_LOCAL=" + dir_.path(),
            std::string("COLL_USESHM=") + (pipes() ? "0" : "1"),
            "COLL_WAIT_TIMEOUT=1",
            "WAIT_TIMEOUT=20"};
  }

  CollectorRun& start(const std::string& out = "") {
    collectors_.push_back(std::make_unique<CollectorRun>(env(out), dir_.path()));
    return *collectors_.back();
  }

  ChildResult probe(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {PROBE_BIN};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_program(PROBE_BIN, argv, env(), dir_.path());
  }

  // Asks until the answer has rows (the first collection may take a pass or
  // two); returns the last result.
  ChildResult probe_until_rows(const std::vector<std::string>& args) {
    ChildResult r;
    for (auto end = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(200ms)) {
      r = probe(args);
      if (r.exited && r.exit_code == 0) break;
    }
    return r;
  }

  std::string fifo() const { return dir_.file("col_S1_zdb_pipe"); }

  // The key file: the file of the scratch directory with a lock file beside it.
  std::string key_file() const {
    for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
      std::string p = e.path().string();
      if (std::filesystem::exists(p + "-lk")) return p;
    }
    return "";
  }
  key_ids read_key() const {
    key_ids k;
    std::ifstream in(key_file());
    in >> k.server_pid >> k.writer_pid >> k.req_shm >> k.req_sem >> k.data_shm >> k.data_sem;
    return k;
  }

  // The message lines of every print file in `out` (backups included).
  std::vector<std::string> print_lines(const std::string& out = "") const {
    std::vector<std::string> lines;
    for (const auto& e : std::filesystem::directory_iterator(out.empty() ? dir_.path() : out))
      if (e.path().filename().string().find("col") != std::string::npos &&
          e.path().extension() == ".out") {
        std::vector<std::string> more = message_lines(read_whole(e.path()));
        lines.insert(lines.end(), more.begin(), more.end());
      }
    return lines;
  }
  bool printed(const std::string& line, const std::string& out = "") const {
    for (const std::string& l : print_lines(out))
      if (l.starts_with(line)) return true;
    return false;
  }

  ScratchDir dir_;
  std::vector<std::unique_ptr<CollectorRun>> collectors_;
};

TEST_P(ProbeEndToEnd, AnswersControlWordsAndBadRequests) {
  CollectorRun& c = start();
  ChildResult first = probe_until_rows({"NAMES"});
  ASSERT_EQ(first.exit_code, 0) << first.output;
  struct row {
    std::vector<std::string> args;
    int exit_code;
    std::string output;  // exact, or a prefix when it ends with "..."
  };
  const row rows[] = {
      // each form of a cursor's rows
      {{"NAMES"}, 0, "id  name\n--  -------\n 1  alpha\n22  beta\n-3  gamma d\n"},
      {{"-f", "csv", "NAMES"}, 0, "id,name\n1,alpha\n22,beta\n-3,gamma d\n"},
      {{"-f", "json", "NAMES"},
       0,
       "[\n{\"id\":1,\"name\":\"alpha\"},\n{\"id\":22,\"name\":\"beta\"},\n"
       "{\"id\":-3,\"name\":\"gamma d\"}\n]\n"},
      // the column layout itself
      {{"-f", "csv", "C-LAYOUT", "NAMES"},
       0,
       "name,record_offset,record_length,value_type,db_type,ordinal,text_length,row_size\n"
       "id,0,4,1,..."},
      // one status record per cursor and per process
      {{"-f", "csv", "C-STATUS"}, 0, "cur_name,..."},
      {{"-f", "csv", "D-STATUS"}, 0, "distrib_name,..."},
      // unknown names, a control word in the wrong case and a layout of nothing
      {{"NOSUCH"}, 1, "probe: no rows for NOSUCH\n"},
      {{"X-STATUS", "a", "b"}, 1, "probe: no rows for X-STATUS\n"},
      {{"c-status"}, 1, "probe: no rows for c-status\n"},
      {{"C-LAYOUT"}, 1, "probe: no rows for C-LAYOUT\n"},
      {{"C-LAYOUT", "NOSUCH"}, 1, "probe: no rows for C-LAYOUT\n"},
      // parameters at the transports' limits
      {{"-f", "csv", "NAMES", std::string(19, 'p'), "", "q"}, 0, "id,name\n1,alpha\n..."},
      // the trace reset is acknowledged without rows
      {{"RETRACE"}, 0, ""},
  };
  for (const row& r : rows) {
    ChildResult got = probe(r.args);
    EXPECT_EQ(got.exit_code, r.exit_code) << r.args[0] << ": " << got.output;
    if (r.output.ends_with("..."))
      EXPECT_EQ(got.output.substr(0, r.output.size() - 3), r.output.substr(0, r.output.size() - 3));
    else
      EXPECT_EQ(got.output, r.output) << r.args[0];
  }
  // Row counts of the status answers: two cursors, two processes.
  for (const char* word : {"C-STATUS", "D-STATUS"}) {
    std::string csv = probe({"-f", "csv", word}).output;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3) << word;
  }
  ChildResult raw = probe({"-f", "raw", "NAMES"});
  EXPECT_EQ(raw.output.substr(0, 22), "rows=3 row_len=12\nreco");

  // The stop answers, then the collector leaves nothing behind.
  key_ids k = read_key();
  ChildResult stop = probe({"SHUTDOWN"});
  EXPECT_EQ(stop.exit_code, 0) << stop.output;
  EXPECT_EQ(stop.output, "");
  EXPECT_EQ(c.wait(30s), 0);
  EXPECT_TRUE(printed("CIR1850I Reseting trace."));
  EXPECT_TRUE(printed("CIR1855I SHUTDOWN request recieved."));
  EXPECT_TRUE(printed("CGN1524I "));
  EXPECT_FALSE(std::filesystem::exists(fifo()));
  for (int id : {k.req_shm, k.data_shm}) EXPECT_FALSE(shm_exists(id));
  for (int id : {k.req_sem, k.data_sem}) EXPECT_FALSE(sem_exists(id));
  // With the collector gone the probe says so at once.
  ChildResult gone = probe({"NAMES"});
  EXPECT_EQ(gone.exit_code, 2);
  EXPECT_TRUE(gone.output.starts_with("probe: ")) << gone.output;
  EXPECT_EQ(std::count(gone.output.begin(), gone.output.end(), '\n'), 1);
}

TEST_P(ProbeEndToEnd, LargeAnswerArrivesWhole) {
  start();
  ChildResult r = probe_until_rows({"-f", "csv", "BIG"});
  ASSERT_EQ(r.exit_code, 0) << r.output.substr(0, 200);
  std::string expect = "n,pad\n";
  for (int n = 1; n <= kBigRows; ++n) {
    char line[32];
    snprintf(line, sizeof line, "%d,row%05d\n", n, n);
    expect += line;
  }
  EXPECT_EQ(r.output, expect);
  // The records as they travel: 100 bytes each.
  ChildResult raw = probe({"-f", "raw", "BIG"});
  EXPECT_EQ(raw.output.substr(0, 24), "rows=3000 row_len=100\nre");
  EXPECT_EQ(probe({"SHUTDOWN"}).exit_code, 0);
  EXPECT_EQ(collectors_.back()->wait(30s), 0);
}

// A client that takes the first part of a large answer and then stops
// reading: the collector's wait times out, it drops that answer and serves
// the next request.
TEST_P(ProbeEndToEnd, ClientDyingMidAnswerCostsOnlyItsAnswer) {
  start();
  ASSERT_EQ(probe_until_rows({"BIG"}).exit_code, 0);
  std::vector<std::string> environment = env();
  ChildResult client = run_in_child([&] {
    for (const std::string& e : environment) putenv(const_cast<char*>(e.c_str()));
    reset_process_state();
    get_envs(env_vars);
    if (pipes()) {
      std::string reply = dir_.file("dying_pipe");
      mkfifo(reply.c_str(), 0600);
      int in = open(reply.c_str(), O_RDONLY | O_NONBLOCK);
      std::vector<std::string> none;
      std::vector<uint8_t> rec = encode_request("BIG", reply, none);
      int out = open(fifo().c_str(), O_WRONLY);
      if (write(out, rec.data(), rec.size()) != static_cast<ssize_t>(rec.size())) _exit(1);
      fd_set set;
      FD_ZERO(&set);
      FD_SET(in, &set);
      timeval tv{20, 0};
      char head[8];
      if (select(in + 1, &set, nullptr, nullptr, &tv) != 1 || read(in, head, 8) != 8) _exit(2);
      unlink(reply.c_str());
      sleep(3);  // longer than the collector's wait: it gives up on this pipe
      _exit(0);
    }
    if (InitShare("S1") != 0) _exit(3);
    QVZRequest req;
    req.name = "BIG";
    if (share_state.request_obj->SendRequest(&req, 20) != 0) _exit(4);
    // The first part arrives; the client ends without taking it.
    _exit(share_state.data_obj->semaphore().TimedWait(kSemFilled, 20) == 0 ? 0 : 5);
  });
  EXPECT_EQ(client.exit_code, 0) << client.output;
  // The collector gave up on that answer and still serves.
  ChildResult next = probe_until_rows({"-f", "csv", "NAMES"});
  EXPECT_EQ(next.output, "id,name\n1,alpha\n22,beta\n-3,gamma d\n");
  EXPECT_TRUE(printed("CIR1880E ")) << (print_lines().empty() ? "" : print_lines().back());
  EXPECT_EQ(probe({"SHUTDOWN"}).exit_code, 0);
  EXPECT_EQ(collectors_.back()->wait(30s), 0);
}

// A collector killed outright leaves its FIFO or objects behind; the next one
// removes them and serves with new ones.
TEST_P(ProbeEndToEnd, LeftoversOfAKilledCollectorAreReplaced) {
  CollectorRun& first = start();
  ASSERT_EQ(probe_until_rows({"NAMES"}).exit_code, 0);
  key_ids old = read_key();
  first.signal(SIGKILL);
  EXPECT_EQ(first.wait(10s), 128 + SIGKILL);
  if (pipes())
    EXPECT_TRUE(std::filesystem::exists(fifo()));
  else
    EXPECT_TRUE(shm_exists(old.req_shm) && sem_exists(old.data_sem));
  // A probe does not mistake the leftovers for a collector.
  ChildResult none = probe({"NAMES"});
  EXPECT_EQ(none.exit_code, 2) << none.output;

  start();
  ASSERT_EQ(probe_until_rows({"NAMES"}).exit_code, 0);
  for (int id : {old.req_shm, old.data_shm}) EXPECT_FALSE(shm_exists(id));
  for (int id : {old.req_sem, old.data_sem}) EXPECT_FALSE(sem_exists(id));
  EXPECT_EQ(probe({"SHUTDOWN"}).exit_code, 0);
  EXPECT_EQ(collectors_.back()->wait(30s), 0);
  // The second run made its objects anew (its print file is read once closed;
  // the killed run's buffered lines are lost).
  if (!pipes()) {
    EXPECT_TRUE(printed("USH0034I Created IPCID("));
    EXPECT_FALSE(printed("USH0035I Attached IPCID("));
  }
}

// A terminating signal stops the collector in order after its pause.
TEST_P(ProbeEndToEnd, TerminatingSignalStopsInOrder) {
  CollectorRun& c = start();
  ASSERT_EQ(probe_until_rows({"NAMES"}).exit_code, 0);
  key_ids k = read_key();
  c.signal(SIGTERM);
  EXPECT_EQ(c.wait(60s), 0);
  EXPECT_TRUE(printed("CIR5005S Received interupt (15). Quitting."));
  EXPECT_FALSE(std::filesystem::exists(fifo()));
  for (int id : {k.req_shm, k.data_shm}) EXPECT_FALSE(shm_exists(id));
  for (int id : {k.req_sem, k.data_sem}) EXPECT_FALSE(sem_exists(id));
}

INSTANTIATE_TEST_SUITE_P(Transports, ProbeEndToEnd, ::testing::Values("pipe", "shm"),
                         [](const auto& info) { return std::string(info.param); });

// Tests of the shared-memory transport alone.
class SharedMemoryOnly : public ProbeEndToEnd {};

// Shared memory only: a request that waited in the segment longer than the
// channel's lifetime (the creator's WAIT_TIMEOUT, 1 s here) is dropped
// unanswered; the asker times out and the next request is served.
TEST_P(SharedMemoryOnly, RequestOlderThanItsLifetimeIsDropped) {
  std::vector<std::string> short_life = env();
  short_life.back() = "WAIT_TIMEOUT=1";
  collectors_.push_back(std::make_unique<CollectorRun>(short_life, dir_.path()));
  CollectorRun& c = *collectors_.back();
  ASSERT_EQ(probe_until_rows({"NAMES"}).exit_code, 0);
  std::vector<std::string> environment = env();
  const int collector = c.pid();
  c.signal(SIGSTOP);
  ChildResult client = run_in_child([&] {
    for (const std::string& e : environment) putenv(const_cast<char*>(e.c_str()));
    reset_process_state();
    get_envs(env_vars);
    if (InitShare("S1") != 0) _exit(3);
    QVZRequest req;
    req.name = "NAMES";
    req.FormRequest();
    if (share_state.request_obj->SendRequest(&req, 5) != 0) _exit(4);
    sleep(3);
    kill(collector, SIGCONT);
    QVZDataRow answer;
    int rc = share_state.data_obj->GetData(req.unique, "NAMES", &answer, 4);
    _exit(rc == -10 ? 0 : 5);
  });
  c.signal(SIGCONT);
  EXPECT_EQ(client.exit_code, 0) << client.output;
  EXPECT_EQ(probe({"-f", "csv", "NAMES"}).output, "id,name\n1,alpha\n22,beta\n-3,gamma d\n");
  EXPECT_EQ(probe({"SHUTDOWN"}).exit_code, 0);
  EXPECT_EQ(c.wait(30s), 0);
  EXPECT_TRUE(printed("USH0032I It's ")) << (print_lines().empty() ? "" : print_lines().back());
}

// A second collector attaches to the objects of a running one; its stop
// leaves them to the first.
TEST_P(SharedMemoryOnly, SecondCollectorAttachesToTheRunningOnesObjects) {
  CollectorRun& first = start();
  ASSERT_EQ(probe_until_rows({"NAMES"}).exit_code, 0);
  key_ids k = read_key();
  ScratchDir second_out;
  CollectorRun& second = start(second_out.path());
  key_ids now = read_key();
  for (int i = 0; i < 100 && now.writer_pid != second.pid(); ++i) {
    std::this_thread::sleep_for(100ms);
    now = read_key();
  }
  EXPECT_EQ(now.server_pid, first.pid());
  EXPECT_EQ(now.writer_pid, second.pid());
  EXPECT_EQ(now.req_shm, k.req_shm);
  EXPECT_EQ(now.data_sem, k.data_sem);
  // Either collector answers.
  EXPECT_EQ(probe({"NAMES"}).exit_code, 0);
  second.signal(SIGTERM);
  EXPECT_EQ(second.wait(60s), 0);
  EXPECT_TRUE(printed("USH0035I Attached IPCID(", second_out.path()));
  EXPECT_TRUE(shm_exists(k.req_shm) && sem_exists(k.data_sem));
  EXPECT_EQ(probe({"NAMES"}).exit_code, 0);
  EXPECT_EQ(probe({"SHUTDOWN"}).exit_code, 0);
  EXPECT_EQ(first.wait(30s), 0);
}

INSTANTIATE_TEST_SUITE_P(Shm, SharedMemoryOnly, ::testing::Values("shm"),
                         [](const auto&) { return std::string("shm"); });
}  // namespace
