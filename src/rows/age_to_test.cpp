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

// Rows of tests/data/rows/age_to_edits.txt.
TEST_F(AgeToTest, StartUpBindingAndItsRefusals) {
  for (const auto& tc : data_rows("rows/age_to_edits.txt", 3)) {
    SCOPED_TRACE(tc[0] + " " + tc[1]);
    reset_definitions();
    curs* s = cursor("S", "SELECT v FROM t", {"v"});
    curs* t = cursor("T", "", {"x"});
    strcpy(s->age_to, tc[0].c_str());
    s->virtual_ = tc[1] == "s";
    t->virtual_ = tc[1] == "t";
    if (tc[1] == "r") strcpy(cursor("R", "SELECT v FROM t", {"v"})->age_to, "T");
    mark();
    const bool ok = tc[2].find("successful") != std::string::npos;
    EXPECT_EQ(edit_age_to(), ok ? 0 : 1);
    std::string printed;
    for (const std::string& l : lines("PAG")) printed += l + "\n";
    EXPECT_EQ(printed, tc[2]);
    if (!ok) continue;
    // The copy: the source's columns as fresh records, demand, no clauses.
    EXPECT_EQ(s->aged_copy, t);
    EXPECT_EQ((std::vector<int>{s->post_copy, t->post_copy, t->copy_marker, t->demand}),
              (std::vector<int>{1, 1, 1, 1}));
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
  // Rows of tests/data/rows/age_to_runs.txt.
  for (const auto& r : data_rows("rows/age_to_runs.txt", 4)) {
    SCOPED_TRACE(r[0]);
    if (r[0] == "-")
      make_db("DELETE FROM t;");
    else
      set_table(r[0].c_str());
    mark();
    ASSERT_EQ(run(s), 0);
    std::vector<std::string> got;
    for (const curs* c : {s, t}) {
      got.emplace_back();
      for (const std::string& row : rows_of(c)) got.back() += (got.back().empty() ? "" : " ") + row;
    }
    got.emplace_back();
    for (const std::string& l : lines("CAG")) got.back() += l + "\n";
    EXPECT_EQ(got, std::vector<std::string>(r.begin() + 1, r.end()));
    EXPECT_EQ(t->row_count, static_cast<int32_t>(rows_of(t).size()));
    EXPECT_EQ((std::vector<int>{t->once, t->history}), (std::vector<int>{1, 0}));
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
