// The request service over both real transports: this process serves as the
// collector while a forked child asks as the probe. Answers are checked
// record by record, control words by their effects and messages.
#include "driver/pxa_service.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "comm/comm.h"
#include "comm/pipe_transport.h"
#include "comm/probe_request.h"
#include "comm/request_record.h"
#include "ctl/anchors.h"
#include "ctl/distributor.h"
#include "driver/cluster.h"
#include "driver/pxa_status.h"
#include "driver/rel_now.h"
#include "driver/schedule.h"
#include "driver/steps.h"
#include "fake_clock.h"
#include "rows/row_chain.h"
#include "rows/row_test_support.h"
#include "std_capture.h"
#include "test_state.h"

namespace {
// What a probe child received, as it reports it to the test.
struct child_answer {
  int exit_status = -1;
  probe_answer answer;
};

// Runs probe requests in a forked child. The child is a process of its own:
// it forgets the collector's end without closing it, then asks.
class ProbeChild {
 public:
  explicit ProbeChild(const std::function<probe_answer()>& ask) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    fflush(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      // The print file and the collector's end belong to the parent.
      reset_print_state();
      int null_fd = open("/dev/null", O_WRONLY);
      dup2(null_fd, STDOUT_FILENO);
      dup2(null_fd, STDERR_FILENO);
      comm_state.ipc_ptr = nullptr;
      reset_comm_state();
      probe_answer a = ask();
      int32_t head[4] = {a.error_code, a.rows, a.row_len, static_cast<int32_t>(a.data.size())};
      bool ok = write(fds[1], head, sizeof head) == sizeof head &&
                write(fds[1], a.data.data(), a.data.size()) == static_cast<ssize_t>(a.data.size());
      _exit(ok ? 0 : 1);
    }
    close(fds[1]);
    fd_ = fds[0];
  }
  ~ProbeChild() {
    if (fd_ >= 0) close(fd_);
  }
  // Waits for the child and returns what it received.
  child_answer result() {
    child_answer r;
    int32_t head[4] = {};
    if (read(fd_, head, sizeof head) == sizeof head) {
      r.answer.error_code = head[0];
      r.answer.rows = head[1];
      r.answer.row_len = head[2];
      r.answer.data.resize(static_cast<size_t>(head[3]));
      size_t got = 0;
      while (got < r.answer.data.size()) {
        ssize_t n = read(fd_, r.answer.data.data() + got, r.answer.data.size() - got);
        if (n <= 0) break;
        got += static_cast<size_t>(n);
      }
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    r.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
  }

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
};

// The collector in this process, with cursors made in the arena. The
// parameter chooses the transport: true for named pipes.
class PxaService : public RowTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    RowTest::SetUp();
    reset_pxa_service();
    reset_scheduler_state();
    static int serial = 0;
    env_vars.localtmpdir = env_store(dir_.path());
    env_vars.serverid = env_store("P" + std::to_string(getpid()) + "_" + std::to_string(++serial));
    env_vars.db_type = env_store("zdb");
    env_vars.hostname = env_store("hst");
    if (GetParam()) env_vars.useshm = env_store("0");
    setenv("COLL_WAIT_TIMEOUT", "1", 1);
    setenv("WAIT_TIMEOUT", "5", 1);
  }
  void TearDown() override {
    reset_clusters();
    transport_shut();
    RowTest::TearDown();
  }

  // A cursor on the chain with one 6-character text column "V" and a row per
  // text, its window open all the time.
  curs* add_cursor(const char* name, const std::vector<std::string>& rows) {
    curs* c = test_cursor(name);
    columns* col = test_column(c, "V");
    col->fmt_len = 6;
    col->orig_type = 1;
    c->cols_resolved = 1;
    c->length = 7;
    c->sample_no = 1;
    c->window_close = INT32_MAX;
    for (const std::string& text : rows) {
      text_row* r = alloc_text_row(7);
      memcpy(r->text(), text.data(), std::min<size_t>(text.size(), 6));
      r->sample_no = 1;
      append_row(c, r);
    }
    curs** tail = &anchors.cur_anchor;
    while (*tail) tail = &(*tail)->next;
    *tail = c;
    return c;
  }

  distributor* add_process(const char* name) {
    distributor* d = process_arena().make<distributor>();
    strncpy(d->distrib_name, name, sizeof d->distrib_name - 1);
    distributor** tail = &anchors.distrib_anchor;
    while (*tail) tail = &(*tail)->next;
    *tail = d;
    return d;
  }

  // Serves until the child's request has been answered; returns do_pxa's
  // results, the last one first.
  std::vector<int> serve_one() {
    std::vector<int> results;
    for (int pass = 0; pass < 10; ++pass) {
      if (comm_state.ipc_ptr) comm_wait_request(comm_state.ipc_ptr, 5);
      int rc = do_pxa();
      results.insert(results.begin(), rc);
      if (rc != 100) break;
    }
    return results;
  }

  child_answer ask(const std::string& name, std::vector<std::string> parms = {}) {
    if (!comm_state.ipc_ptr) {
      EXPECT_EQ(do_pxa(), 100);  // opens the transport, no request yet
    }
    ProbeChild child([&] { return probe_request(name, parms); });
    last_results_ = serve_one();
    return child.result();
  }

  std::vector<int> last_results_;
};

std::string text_of(const probe_answer& a) { return std::string(a.data.begin(), a.data.end()); }

TEST_P(PxaService, AnswersCursorRowsAndRefusals) {
  add_cursor("CPU", {"cpu1", "cpu2  ", "cpu3xyz"});
  add_cursor("EMPTY", {});
  curs* later = add_cursor("LATER", {"late"});
  // A window that opens in an hour: the request is answered without rows.
  later->window_open = rel_now() + 3600;
  struct row {
    const char* name;
    int result;    // do_pxa
    int32_t rows;  // rows received
    int32_t row_len;
    std::string data;
  };
  const row rows[] = {
      // three records of the 6-byte column, in chain order
      {"CPU", 0, 3, 6, std::string("cpu1\0\0cpu2  cpu3xy", 18)},
      // a cursor without rows yields no cluster: a failure, answered empty
      {"EMPTY", -1, 0, 0, ""},
      // no cursor of that name, and an unknown control word alike
      {"NOSUCH", -1, 0, 0, ""},
      {"X-STATUS", -1, 0, 0, ""},
      // outside its window: no rows, and a success
      {"LATER", 0, 0, 0, ""},
  };
  for (const row& r : rows) {
    child_answer got = ask(r.name);
    EXPECT_EQ(got.exit_status, 0) << r.name;
    EXPECT_EQ(got.answer.error_code, 0) << r.name;
    EXPECT_EQ(last_results_.front(), r.result) << r.name;
    EXPECT_EQ(got.answer.rows, r.rows) << r.name;
    if (r.rows) {
      EXPECT_EQ(got.answer.row_len, r.row_len) << r.name;
    }
    EXPECT_EQ(text_of(got.answer), r.data) << r.name;
  }
  EXPECT_EQ(clusters.cl_anchor, nullptr);  // every cluster closed
  // The request time is kept only when the window was open.
  EXPECT_STRNE(find_request_cursor("CPU")->last_time, "");
  EXPECT_STREQ(later->last_time, "");
}

TEST_P(PxaService, StatusWordsAnswerImagesOfTheRecords) {
  curs* a = add_cursor("A", {"x"});
  curs* b = add_cursor("B", {});
  curs* c = add_cursor("C", {});
  b->hold = 'Y';
  c->demand = 1;
  distributor* coll = add_process("collector");
  distributor* pxa = add_process("pxa");
  strcpy(coll->run_status, "GOOD");
  pxa->interval = 1;

  child_answer cs = ask("C-STATUS");
  EXPECT_EQ(last_results_.front(), 0);
  ASSERT_EQ(cs.answer.rows, 3);
  ASSERT_EQ(cs.answer.row_len, 456);
  std::vector<char> expect(3 * 456);
  const curs* cursors[] = {a, b, c};
  for (int i = 0; i < 3; ++i)
    encode_cursor_status(cursor_status_of(*cursors[i]),
                         reinterpret_cast<uint8_t*>(expect.data()) + 456 * i);
  EXPECT_EQ(cs.answer.data, expect);
  EXPECT_EQ(std::string(&cs.answer.data[456 + 128]), "HELD");
  EXPECT_EQ(std::string(&cs.answer.data[2 * 456 + 128]), "DEMAND");

  child_answer ds = ask("D-STATUS");
  ASSERT_EQ(ds.answer.rows, 2);
  ASSERT_EQ(ds.answer.row_len, 788);
  EXPECT_EQ(std::string(&ds.answer.data[0]), "collector");
  EXPECT_EQ(std::string(&ds.answer.data[104]), "GOOD");
  EXPECT_EQ(std::string(&ds.answer.data[788]), "pxa");
  EXPECT_EQ(ds.answer.data[788 + 183], 1);  // interval, big-endian
}

TEST_P(PxaService, LayoutWordDescribesTheRecords) {
  curs* c = add_cursor("CPU", {"cpu1"});
  columns* n = test_column(c, "N", 1);  // INT! after the text: aligned to 8
  n->fmt_len = 5;
  n->orig_type = 2;
  child_answer got = ask("C-LAYOUT", {"CPU"});
  EXPECT_EQ(last_results_.front(), 0);
  ASSERT_EQ(got.answer.rows, 2);
  ASSERT_EQ(got.answer.row_len, 80);
  std::vector<column_layout> expect = {{"V", 0, 6, 0, 1, 1, 6, 12}, {"N", 8, 4, 1, 2, 2, 5, 12}};
  for (int i = 0; i < 2; ++i) {
    column_layout l = decode_column_layout(reinterpret_cast<uint8_t*>(&got.answer.data[80 * i]));
    EXPECT_EQ(l.name, expect[i].name);
    EXPECT_EQ(std::vector<int32_t>({l.record_offset, l.record_length, l.value_type, l.db_type,
                                    l.ordinal, l.text_length, l.row_size}),
              std::vector<int32_t>({expect[i].record_offset, expect[i].record_length,
                                    expect[i].value_type, expect[i].db_type, expect[i].ordinal,
                                    expect[i].text_length, expect[i].row_size}));
  }
  // An unknown cursor, and no cursor named at all: no rows, a failed request.
  for (std::vector<std::string> parms :
       {std::vector<std::string>{"NOSUCH"}, std::vector<std::string>{}}) {
    got = ask("C-LAYOUT", parms);
    EXPECT_EQ(last_results_.front(), -1);
    EXPECT_EQ(got.answer.error_code, 0);
    EXPECT_EQ(got.answer.rows, 0);
  }
}

TEST_P(PxaService, RetraceAndShutdownAreAnsweredWithoutRows) {
  ASSERT_EQ(do_pxa(), 100);  // the transport's set-up messages are not of interest here
  PrintCapture out;
  child_answer r = ask("RETRACE");
  EXPECT_EQ(last_results_.front(), 0);
  EXPECT_EQ(r.answer.error_code, 0);
  EXPECT_EQ(r.answer.rows, 0);
  EXPECT_EQ(anchors.reset_trace, 1);
  EXPECT_EQ(globals.go_home, 0);
  child_answer s = ask("SHUTDOWN");
  EXPECT_EQ(last_results_.front(), 0);
  EXPECT_EQ(s.answer.error_code, 0);
  EXPECT_EQ(s.answer.rows, 0);
  EXPECT_EQ(globals.go_home, 1);
  EXPECT_EQ(out.lines(),
            "CIR1850I Reseting trace.\n"
            "CIR1855I SHUTDOWN request recieved.\n");
}

TEST_P(PxaService, NoRequestIsNotAFailure) {
  EXPECT_EQ(do_pxa(), 100);
  EXPECT_NE(comm_state.ipc_ptr, nullptr);
  PrintCapture out;
  tracing.my_trace_all[0] = 1;
  EXPECT_EQ(do_pxa(), 100);
  std::string expect = "CIR1830T Check PXA request queue...\n";
  // The pipe finds nothing at once; shared memory waits and times out.
  if (GetParam()) expect += "CIR1840T  No requests!\n";
  EXPECT_EQ(out.lines(), expect);
}

TEST_P(PxaService, ParametersGoToThePercentCursor) {
  add_cursor("CPU", {"cpu1"});
  curs* pc = test_cursor("%CURSOR");
  columns* other = test_column(pc, "%now_time");
  columns* p0 = test_column(pc, "%parm0");
  columns* p1 = test_column(pc, "%PARM1");  // compared without case
  static const char kOld[] = "old";
  p1->source = kOld;
  p1->fmt_len = 3;
  anchors.percent_cursor = pc;
  std::string long_parm(19, 'z');
  child_answer got = ask("CPU", {long_parm});
  EXPECT_EQ(got.answer.rows, 1);
  EXPECT_EQ(other->source, nullptr);
  ASSERT_NE(p0->source, nullptr);
  EXPECT_EQ(std::string(p0->source, static_cast<size_t>(p0->fmt_len)), long_parm);
  EXPECT_EQ(p1->source, kOld);  // no second parameter: kept
  EXPECT_EQ(p1->fmt_len, 3);
  // The value outlives the request that brought it.
  EXPECT_EQ(pxa_service.parm_values[0], long_parm);
}

INSTANTIATE_TEST_SUITE_P(Transports, PxaService, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "pipes" : "shm"; });

// Failures of the pipe transport, provoked by writing records by hand.
class PxaPipeFailures : public PxaService {};

TEST_P(PxaPipeFailures, TransportErrorsAreReported) {
  add_cursor("CPU", {"cpu1"});
  ASSERT_EQ(do_pxa(), 100);
  int fd = ClientOpenPipe(collector_pipe_name(), 6);
  ASSERT_GE(fd, 0);
  // A name length of 9: "get" fails and the service reports the anchor's text.
  std::string bad(
      "\x00\x0F\x00\x09"
      "ABCDEFGHI\0\0",
      15);
  ASSERT_EQ(write(fd, bad.data(), bad.size()), 15);
  {
    PrintCapture out;
    EXPECT_EQ(do_pxa(), -1);
    EXPECT_EQ(out.lines(),
              "CIR1835E Pipe cursor length error. Pipe=" + collector_pipe_name() + "\n");
  }
  // A reply pipe that does not exist: the cursor is served, "put" fails.
  std::vector<std::string> none;
  std::vector<uint8_t> rec = encode_request("CPU", dir_.file("gone_pipe"), none);
  ASSERT_EQ(write(fd, rec.data(), rec.size()), static_cast<ssize_t>(rec.size()));
  {
    PrintCapture out;
    EXPECT_EQ(do_pxa(), 0);
    EXPECT_EQ(out.lines(), "CIR1880E Open Probe pipe errno= 2. Pipe=" + dir_.file("gone_pipe") +
                               ". cursor=CPU\n");
  }
  close(fd);
}

INSTANTIATE_TEST_SUITE_P(Pipes, PxaPipeFailures, ::testing::Values(true),
                         [](const auto&) { return "pipes"; });

TEST(PxaSetUp, ThreeFailedSetUpsStopTheCollector) {
  ScratchDir dir;
  std::string out = dir.file("out");
  pid_t pid = fork();
  if (pid == 0) {
    reset_process_state();
    // The request pipe cannot be made in a directory that does not exist.
    env_vars.localtmpdir = env_store(dir.file("missing/deeper"));
    env_vars.useshm = env_store("0");
    FakeClock clock(1700000000);
    clock.install();
    freopen(out.c_str(), "w", stdout);
    freopen(out.c_str(), "a", stderr);
    do_pxa();
    _exit(111);  // not reached: quitting ends the process
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::string text = std::regex_replace(read_whole(out), std::regex(R"( \(\d{6}\))"), "");
  std::string create =
      "COM0110E Create Pipe error 2. Pipe=" + dir.file("missing/deeper/col_pipe") + "\n";
  std::string expect = create + "IIR1510E Error building PXA IPC environment. Try 1 failed\n" +
                       create + "IIR1510E Error building PXA IPC environment. Try 2 failed\n" +
                       create + "IIR1510E Error building PXA IPC environment. Try 3 failed\n" +
                       "IIR1510E Error building PXA IPC environment\n";
  EXPECT_EQ(text.substr(0, expect.size()), expect);
  // Then the collector stops as quitting does it.
  EXPECT_EQ(text.substr(expect.size(), 16), "GGN1505S Time = ");
}
}  // namespace
