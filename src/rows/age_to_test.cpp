// Age-to copies and history files on a real SQLite database: the start-up
// binding and its refusals, the hand-over over several runs (the copy always
// holds the previous sample, shared rows freed once), and the .HST records
// byte for byte, with the faults of the history directory.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "ctl/windows.h"
#include "rows/age_to_loads.h"
#include "rows/column_functions.h"
#include "rows/retention.h"
#include "sched_fixture.h"

namespace {

class AgeToTest : public SchedTest {
 protected:
  void SetUp() override {
    SchedTest::SetUp();
    make_db("CREATE TABLE t(v VARCHAR(4));");
  }
  void set_table(const char* values) {
    make_db((std::string("DELETE FROM t; INSERT INTO t VALUES ") + values + ";").c_str());
  }
  static std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(AgeToTest, StartUpBindingAndItsRefusals) {
  struct {
    const char* age_to;  // what source S names
    const char* marks;   // 's': S virtual, 't': T virtual, 'r': cursor R names T as well
    std::vector<std::string> lines;
  } const cases[] = {
      // A plain binding.
      {"T", "", {"PAG3695I Age_to editing successful"}},
      // No cursor of that name.
      {"NONE", "", {"PAG3690E Age-to Cursor (NONE) not found", "PAG3700E Age_to editing failed"}},
      // Copies come from stored rows only.
      {"T", "s", {"PAG3680E Can't copy from a virtual table", "PAG3700E Age_to editing failed"}},
      {"T", "t", {"PAG3675E Can't copy to virtual table", "PAG3700E Age_to editing failed"}},
      // One previous sample per target.
      {"T",
       "r",
       {"PAG3685E Duplicate attempts to 'age_to' the same cursor T",
        "PAG3700E Age_to editing failed"}},
      // A cursor cannot hold its own previous sample.
      {"S",
       "",
       {"PAG3685E Duplicate attempts to 'age_to' the same cursor S",
        "PAG3700E Age_to editing failed"}},
  };
  for (const auto& tc : cases) {
    reset_definitions();
    curs* s = cursor("S", "SELECT v FROM t", {"v"});
    curs* t = cursor("T", "", {"x"});
    strcpy(s->age_to, tc.age_to);
    s->virtual_ = strchr(tc.marks, 's') != nullptr;
    t->virtual_ = strchr(tc.marks, 't') != nullptr;
    if (strchr(tc.marks, 'r')) strcpy(cursor("R", "SELECT v FROM t", {"v"})->age_to, "T");
    mark();
    EXPECT_EQ(edit_age_to(), tc.lines.size() == 1 ? 0 : 1) << tc.age_to;
    EXPECT_EQ(lines("PAG"), tc.lines);
    if (tc.lines.size() != 1) continue;
    // The copy: the source's columns as fresh records, demand, no clauses.
    EXPECT_EQ(s->aged_copy, t);
    EXPECT_EQ(s->post_copy, 1);
    EXPECT_EQ(t->post_copy, 1);
    EXPECT_EQ(t->copy_marker, 1);
    EXPECT_EQ(t->demand, 1);
    EXPECT_STREQ(t->cur_name, "T");
    ASSERT_NE(t->column_list, nullptr);
    EXPECT_NE(t->column_list, s->column_list);
    EXPECT_STREQ(t->column_list->name, "v");
    EXPECT_EQ(t->column_list->next, nullptr);
  }
}

// Every run of S moves S's previous rows to T: T holds the previous sample,
// S the newest; a run without rows hands nothing over.
TEST_F(AgeToTest, CopyHoldsThePreviousSampleRunAfterRun) {
  curs* s = cursor("S", "SELECT v FROM t", {"v"});
  curs* t = cursor("T", "", {"v"});
  strcpy(s->age_to, "T");
  ASSERT_EQ(edit_age_to(), 0);
  s->trace = 1;
  struct {
    const char* table;  // the rows of t for this run; null: none
    std::vector<std::string> s_rows, t_rows;
    std::vector<std::string> lines;  // hand-over traces
  } const runs[] = {
      // First run: handed over after the run, both show it.
      {"('a'),('b')",
       {"1/1:a", "1/2:b"},
       {"1/1:a", "1/2:b"},
       {"CAG3715T PostCopying 2 records from S to T"}},
      // Second: the first new row sends the shared rows to T for good.
      {"('c')", {"2/1:c"}, {"1/1:a", "1/2:b"}, {"CAG3705T Skipping Copying"}},
      // Third: T takes the second sample, its first is freed.
      {"('d'),('e')", {"3/1:d", "3/2:e"}, {"2/1:c"}, {"CAG3710T PreCopying 1 records from S to T"}},
      // No rows: both keep what they hold.
      {nullptr, {"3/1:d", "3/2:e"}, {"2/1:c"}, {}},
      // Then the next rows move the third sample over.
      {"('f')", {"5/1:f"}, {"3/1:d", "3/2:e"}, {"CAG3710T PreCopying 2 records from S to T"}},
  };
  for (const auto& r : runs) {
    set_table(r.table ? r.table : "('z')");
    if (!r.table) make_db("DELETE FROM t;");
    mark();
    ASSERT_EQ(run(s), 0);
    EXPECT_EQ(rows_of(s), r.s_rows) << (r.table ? r.table : "none");
    EXPECT_EQ(rows_of(t), r.t_rows) << (r.table ? r.table : "none");
    EXPECT_EQ(lines("CAG"), r.lines);
    EXPECT_EQ(t->row_count, static_cast<int32_t>(r.t_rows.size()));
    EXPECT_EQ(t->once, 1);
    EXPECT_EQ(t->history, 0);
  }
  EXPECT_EQ(s->pre_copy, 1);
  EXPECT_EQ(s->post_copy, 0);
}

// After the first hand-over both cursors hold one chain: retention trims it
// for both, a deletion on one leaves it to the other, and the end of the
// process frees each row once (the sanitizer build checks).
TEST_F(AgeToTest, SharedRowsAreFreedOnce) {
  curs* s = cursor("S", "SELECT v FROM t", {"v"});
  curs* t = cursor("T", "", {"v"});
  strcpy(s->age_to, "T");
  ASSERT_EQ(edit_age_to(), 0);
  set_table("('a'),('b'),('c')");
  ASSERT_EQ(run(s), 0);
  ASSERT_EQ(t->first_row, s->first_row);
  s->limit = 1;
  drop_first_row(s);  // as the row limit does
  EXPECT_EQ(rows_of(t), (std::vector<std::string>{"1/2:b", "1/3:c"}));
  EXPECT_EQ(t->first_row, s->first_row);
  delete_all(t);  // a decode's delete on the copy
  EXPECT_EQ(t->first_row, nullptr);
  EXPECT_EQ(rows_of(s), (std::vector<std::string>{"1/2:b", "1/3:c"}));
  ASSERT_EQ(run(s), 0);  // pre-copy of rows T no longer shares
  EXPECT_EQ(rows_of(t), (std::vector<std::string>{"1/2:b", "1/3:c"}));
  // Shared again, then released at the end.
  s->post_copy = 1;
  s->pre_copy = 0;
  ASSERT_EQ(run(s), 0);
  EXPECT_EQ(t->first_row, s->first_row);
  release_all_rows();
  EXPECT_EQ(t->first_row, nullptr);
  EXPECT_EQ(s->first_row, nullptr);
}

class HistoryTest : public AgeToTest {
 protected:
  void SetUp() override {
    AgeToTest::SetUp();
    env_vars.coll_home = env_store(dir_.path());
    make_db("CREATE TABLE t2(v VARCHAR(4), w VARCHAR(4));");
    h_ = cursor("H", "SELECT v, w FROM t2", {"v", "w"});
    h_->history = 1;
    set_window_c(h_, rel(kMonday10));
  }
  void fill(const char* values) {
    make_db((std::string("DELETE FROM t2; INSERT INTO t2 VALUES ") + values + ";").c_str());
  }
  std::string hst() { return read_file(dir_.file("H.HST")); }
  // One record: the pass time, then each value in its 12 places (a VARCHAR(4)
  // holds 12 bytes) and the blank written for its NUL.
  static std::string rec(const char* time, std::string a, std::string b) {
    a.resize(12, ' ');
    b.resize(12, ' ');
    return time + a + " " + b + " \n";
  }
  static constexpr const char* kPass = "20240115100500";
  curs* h_ = nullptr;
};

TEST_F(HistoryTest, RecordsByteForByte) {
  fill("('a', 'A'),('bc', 'BC'),(NULL, NULL)");
  ASSERT_EQ(run(h_), 0);
  ASSERT_EQ(do_history(kPass), 0);
  // Pass time, each value at its place (the NUL after it shown as a blank).
  const std::string first =
      rec(kPass, "a", "A") + rec(kPass, "bc", "BC") + rec(kPass, "NULL", "NULL");
  EXPECT_EQ(hst(), first);
  EXPECT_EQ(h_->history_pending, 0);
  // Nothing new, nothing written; a held cursor waits.
  ASSERT_EQ(do_history("20240115100600"), 0);
  h_->hold = 'Y';
  h_->history_pending = 1;
  ASSERT_EQ(do_history("20240115100600"), 0);
  EXPECT_EQ(hst(), first);
  h_->hold = 0;
  // Samples kept: the current sample only. A function row: one record.
  h_->samples = 2;
  fill("('d', 'D')");
  ASSERT_EQ(run(h_), 0);
  ASSERT_EQ(do_history("20240115100700"), 0);
  // Column functions: the summary row, made even when no probe asked for it.
  h_->column_list->col_funct = FUNCT_MAX;
  h_->has_col_funct = h_->has_min_max = 1;
  fill("('e', 'E'),('f', 'F')");
  ASSERT_EQ(run(h_), 0);
  ASSERT_EQ(do_history("20240115100800"), 0);
  EXPECT_EQ(hst(), first + rec("20240115100700", "d", "D") + rec("20240115100800", "f", "F"));
}

TEST_F(HistoryTest, FaultsOfTheHistoryFile) {
  fill("('a', 'A')");
  ASSERT_EQ(run(h_), 0);
  // A record left without its line feed by a crash is cut before the next.
  const std::string old = rec("20240115100000", "x", "X");
  std::ofstream(dir_.file("H.HST"), std::ios::binary) << old << "2024011510";
  ASSERT_EQ(do_history(kPass), 0);
  EXPECT_EQ(hst(), old + rec(kPass, "a", "A"));
  // No length: reported, nothing written.
  const int32_t length = h_->length;
  h_->length = 0;
  h_->history_pending = 1;
  mark();
  ASSERT_EQ(do_history(kPass), 0);
  EXPECT_EQ(lines("CHI"),
            std::vector<std::string>{"CHI1640E Cursor (H) needs history but has no length"});
  h_->length = length;
  // A missing directory: reported, the pass fails, the flag stays cleared.
  env_vars.coll_home = env_store(dir_.file("missing"));
  h_->history_pending = 1;
  mark();
  EXPECT_EQ(do_history(kPass), 1);
  EXPECT_EQ(lines("CHI"),
            std::vector<std::string>{"CHI1630E Can't open " + dir_.file("missing") + "/H.HST"});
  EXPECT_EQ(h_->history_pending, 0);
  // A full file system (here a file size limit in a child): the records that
  // did not fit are taken back whole.
  env_vars.coll_home = env_store(dir_.path());
  const std::string before = hst();
  h_->history_pending = 1;
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit lim{static_cast<rlim_t>(before.size() + 10), static_cast<rlim_t>(before.size() + 10)};
    setrlimit(RLIMIT_FSIZE, &lim);
    _exit(do_history(kPass));
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(hst(), before);
}

}  // namespace
