// The request service over both real transports: this process serves as the
// collector while a forked child asks as the probe. Answers are checked byte
// for byte, control words by their effects and messages.
#include "driver/pxa_service.h"

#include <unistd.h>

#include <regex>

#include "child_run.h"
#include "comm/comm.h"
#include "comm/probe_request.h"
#include "ctl/anchors.h"
#include "derive/derived_columns.h"
#include "derive/percent_cursor.h"
#include "driver/cluster.h"
#include "driver/pxa_status.h"
#include "driver/rel_now.h"
#include "driver/schedule.h"
#include "driver/stopping.h"
#include "fake_clock.h"
#include "row_fixture.h"
#include "rows/row_chain.h"
#include "test_state.h"
#include "util/print_state.h"

namespace {

// The collector in this process; the parameter chooses the transport: true
// for named pipes.
class PxaService : public RowTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    RowTest::SetUp();
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

  // A cursor on the chain with one 6-character text column "V", a row per
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
    return *tail = c;
  }

  // Serves one request of a probe child and returns what the child received
  // as "error rows row_len:data"; rc_ is do_pxa's last result.
  std::string ask(const std::string& name, const std::vector<std::string>& parms = {}) {
    if (!comm_state.ipc_ptr) {  // opens the transport
      EXPECT_EQ(do_pxa(), 100);
    }
    std::string got;
    run_in_child(
        [&](int fd) {
          // The print file and the collector's end belong to the parent.
          reset_print_state();
          comm_state.ipc_ptr = nullptr;
          reset_comm_state();
          probe_answer a = probe_request(name, parms);
          std::string s = std::to_string(a.error_code) + " " + std::to_string(a.rows) + " " +
                          std::to_string(a.row_len) + ":" +
                          std::string(a.data.begin(), a.data.end());
          (void)!write(fd, s.data(), s.size());
        },
        [&](int, int fd) {
          for (int pass = 0; pass < 10; ++pass) {
            if (comm_state.ipc_ptr) comm_wait_request(comm_state.ipc_ptr, 5);
            if ((rc_ = do_pxa()) != 100) break;
          }
          char buf[4096];
          for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;)
            got.append(buf, static_cast<size_t>(n));
        });
    return got;
  }
  int rc_ = 0;
};

// What the probe's end-to-end run cannot see: do_pxa's results, windows,
// empty cursors, the clusters closed and the control words' effects. Rows of
// tests/data/driver/pxa_answers.txt.
TEST_P(PxaService, AnswersAndControlWords) {
  add_cursor("CPU", {"cpu1", "cpu2  ", "cpu3xyz"});
  add_cursor("EMPTY", {});
  curs* later = add_cursor("LATER", {"late"});
  later->window_open = rel_now() + 3600;
  ASSERT_EQ(do_pxa(), 100);  // the transport's set-up messages are not of interest
  for (const auto& r : data_rows("driver/pxa_answers.txt", 4)) {
    SCOPED_TRACE(r[0]);
    PrintCapture out;
    EXPECT_EQ(ask(r[0]), r[2]);
    EXPECT_EQ(rc_, std::stoi(r[1]));
    EXPECT_EQ(out.lines(), r[3]);
  }
  EXPECT_EQ(clusters.cl_anchor, nullptr);  // every cluster closed
  // The request time is kept only when the window was open.
  EXPECT_STRNE(find_request_cursor("CPU")->last_time, "");
  EXPECT_STREQ(later->last_time, "");
  EXPECT_EQ(anchors.reset_trace, 1);
  EXPECT_EQ(go_home, 1);
}

TEST_P(PxaService, ParametersGoToThePercentCursor) {
  add_cursor("CPU", {"cpu1"});
  ASSERT_EQ(create_percent_cursor(), 0);
  auto value = [](const char* name) {
    const columns* col = find_pcnt_col(name);
    return std::string(col->source, static_cast<size_t>(col->fmt_len));
  };
  EXPECT_EQ(ask("CPU", {"first", "old"}).substr(0, 7), "0 1 6:c");
  std::string long_parm(19, 'z');
  EXPECT_EQ(ask("CPU", {long_parm}).substr(0, 7), "0 1 6:c");
  EXPECT_EQ(value("%parm0"), long_parm);
  EXPECT_EQ(value("%PARM1"), "old");  // no second parameter: kept, compared without case
  // A control word's parameter (C-LAYOUT's cursor name) is no value.
  EXPECT_EQ(ask("C-LAYOUT", {"CPU"}).substr(0, 7), "0 1 80:");
  EXPECT_EQ(value("%parm0"), long_parm);
  // A shorter value leaves nothing of the longer one before it.
  EXPECT_EQ(ask("CPU", {"ab"}).substr(0, 7), "0 1 6:c");
  EXPECT_EQ(std::string(find_pcnt_col("%parm0")->source, 20),
            std::string("ab") + std::string(18, '\0'));
  // As many parameters as a request carries, each as long as shared memory
  // holds, all reach the cursor (a pipe's record is too short for them).
  if (GetParam()) return;
  std::vector<std::string> full;
  for (int k = 0; k < kMaxParms; ++k) full.push_back(std::string(18, 'a' + k % 26) + "|");
  EXPECT_EQ(ask("CPU", full).substr(0, 7), "0 1 6:c");
  char name[16];
  for (int k = 0; k < kMaxParms; ++k) {
    snprintf(name, sizeof name, "%%parm%x", k);
    EXPECT_EQ(value(name), full[static_cast<size_t>(k)]) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(Transports, PxaService, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "pipes" : "shm"; });

TEST(PxaSetUp, ThreeFailedSetUpsStopTheCollector) {
  ScratchDir dir;
  ChildResult r = run_in_child([&] {
    reset_process_state();
    // The request pipe cannot be made in a directory that does not exist.
    env_vars.localtmpdir = env_store(dir.file("missing/deeper"));
    env_vars.useshm = env_store("0");
    FakeClock clock(1700000000);
    clock.install();
    do_pxa();
  });
  EXPECT_EQ(r.exit_code, 0);  // quitting ends the process
  std::string text = std::regex_replace(r.output, std::regex(R"( \(\d{6}\))"), "");
  std::string create =
      "COM0110E Create Pipe error 2. Pipe=" + dir.file("missing/deeper/col_pipe") + "\n";
  std::string expect;
  for (const char* n : {"1", "2", "3"})
    expect += create + "IIR1510E Error building PXA IPC environment. Try " + n + " failed\n";
  expect += "IIR1510E Error building PXA IPC environment\nGGN1505S Time = ";
  EXPECT_EQ(text.substr(0, expect.size()), expect);
}

}  // namespace
