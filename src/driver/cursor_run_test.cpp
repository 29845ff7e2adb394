// Cursor runs on a real SQLite database: retention, held cursors, pre-cursors
// and follow-up cursors, and iteration over another cursor's rows.
#include "driver/cursor_run.h"

#include "ctl/clause_records.h"
#include "driver/cursor_edits.h"
#include "driver/retention.h"
#include "sched_fixture.h"

namespace {

class RunTest : public SchedTest {
 protected:
  void SetUp() override {
    SchedTest::SetUp();
    make_db("CREATE TABLE t(v VARCHAR(8)); INSERT INTO t VALUES('a'),('b'),('c');");
  }
  static void add_pre_cursor(curs* c, const char* name) {
    pre_cursor** tail = &c->pre_cursors;
    while (*tail) tail = &(*tail)->next;
    *tail = cursor_arena().make<pre_cursor>();
    strcpy((*tail)->name, name);
  }
  static constexpr const char* kT = "20240115100000";
};

TEST_F(RunTest, RetentionBySamplesAndByTime) {
  struct {
    int32_t sample_no;
    int16_t samples;
    std::vector<int16_t> before, after;  // sample numbers of the rows
  } const by_sample[] = {
      {10, 3, {6, 7, 7, 8, 9, 10}, {8, 9, 10}},  // samples 7 and below go
      {2, 3, {1, 2}, {1, 2}},                    // fewer samples than kept
      {65537, 2, {-1, 0, 1}, {0, 1}},            // the rows' 16-bit numbers wrapped
  };
  curs* c = cursor("C1", "", {});
  for (const auto& tc : by_sample) {
    c->sample_no = tc.sample_no;
    c->samples = tc.samples;
    for (int16_t s : tc.before) add_row(c, "x", s, 1);
    delete_by_samples(c);
    std::vector<int16_t> after;
    for (text_row* r = c->first_row; r; r = r->next) after.push_back(r->sample_no);
    EXPECT_EQ(after, tc.after);
    EXPECT_EQ(c->row_count, static_cast<int32_t>(after.size()));
    free_all_rows(c);
  }
  struct {
    int32_t interval, coll;  // the cursor's and the collector's interval
    int passes;              // passes until a row goes (time_limit 300)
  } const by_time[] = {
      {60, 120, 3},  // ages 120, 240, 360
      {60, 60, 5},   // reaching the limit is enough
      {400, 60, 1},  // the cursor's interval alone passes the limit
  };
  c->time_limit = 300;
  for (const auto& tc : by_time) {
    c->interval = tc.interval;
    coll_->interval = tc.coll;
    add_row(c, "old", 1, 1);
    int passes = 0;
    while (c->first_row && strcmp(c->first_row->text(), "old") == 0 && passes < 10) {
      delete_by_time(c);
      if (++passes == 1) add_row(c, "new", 2, 1);  // a younger row outlives it
    }
    EXPECT_EQ(passes, tc.passes);
    EXPECT_EQ(rows_of(c), std::vector<std::string>{"2/1:new"});
    free_all_rows(c);
  }
}

TEST_F(RunTest, HeldCursorKeepsItsRowsAndEmptyCursorsDoNot) {
  curs* c = cursor("C1", "SELECT v FROM t WHERE v = 'a'", {"v"});
  c->hold = 'Y';
  c->trace = c->empty = 1;
  add_row(c, "kept", 4, 1);
  mark();
  EXPECT_EQ(run_cursor(c, kT), 0);
  EXPECT_EQ(lines(), std::vector<std::string>{"CIT3143T Not running held cursor C1."});
  EXPECT_EQ(rows_of(c), std::vector<std::string>{"4/1:kept"});
  c->hold = 'N';
  c->trace = 0;
  EXPECT_EQ(run_cursor(c, kT), 0);
  EXPECT_EQ(rows_of(c), std::vector<std::string>{"1/1:a"});
  c->post_copy = 1;  // an age-to hand-over empties the cursor itself
  EXPECT_EQ(run_cursor(c, kT), 0);
  EXPECT_EQ(c->row_count, 2);
}

TEST_F(RunTest, PreCursorsAndFollowUpCursors) {
  curs* p = cursor("P", "SELECT v FROM t", {"v"});
  curs* f1 = cursor("F1", "SELECT v FROM t WHERE v = 'a'", {"v"});
  curs* f2 = cursor("F2", "SELECT v FROM t WHERE v = 'b'", {"v"});
  curs* q = cursor("Q", "SELECT v FROM t WHERE v = 'c'", {"v"});
  add_pre_cursor(q, "P");
  ASSERT_EQ(edit_pre_cursors(), 0);
  queue_run(p, f1, 2);
  queue_run(p, f2, 1);
  queue_run(q, f1, 1);
  EXPECT_EQ(get_cursor_data(rel(kMonday10), q), 0);
  EXPECT_EQ(p->sample_no + f1->sample_no + f2->sample_no + q->sample_no, 5);
  EXPECT_EQ(p->current_row, p->last_row);  // restored after the follow-ups
  EXPECT_STREQ(coll_->run_status, "GOOD");

  // A failing follow-up releases the entries after it.
  f1->select = "SELECT v FROM nowhere";
  for (curs* owner : {p, q}) {
    queue_run(owner, f1, 1);
    queue_run(owner, f2, 1);
    mark();
    EXPECT_NE(pre_prep_l_fetch(q, kT), 0);
    EXPECT_EQ(lines(owner == p ? "CFE3195W" : "PFE3200W"),
              std::vector<std::string>(1, std::string(owner == p ? "CFE3195W" : "PFE3200W") +
                                              " Post cursor failed, breaking the chain"));
    EXPECT_EQ(f2->sample_no, 1);
    EXPECT_EQ(owner->run_list, nullptr);
  }
  // A failing pre-cursor stops the chain before the cursor runs.
  p->select = "SELECT v FROM nowhere";
  const int32_t q_sample = q->sample_no;
  EXPECT_EQ(get_cursor_data(rel(kMonday10), q), 1);
  EXPECT_EQ(q->sample_no, q_sample);
  EXPECT_STREQ(coll_->run_status, "FAIL");
}

TEST_F(RunTest, IterationMakesOneSamplePerRun) {
  curs* s = cursor("S", "SELECT v FROM t", {"v"});
  curs* q = cursor("Q", "SELECT 'x' AS w", {"w"});
  q->iterate = cursor_arena().make<struct iterate>();
  strcpy(q->iterate->name, "S");
  q->samples = 1;
  ASSERT_EQ(edit_iterates(), 0);
  ASSERT_EQ(run_cursor(s, kT), 0);
  s->trace = q->trace = 1;
  mark();
  EXPECT_EQ(run_cursor(q, kT), 0);
  EXPECT_EQ(lines("CIT"), (std::vector<std::string>{
                              "CIT3140T Iterating from Cursor S which has 3 rows",
                              "CIT3145T Iteration on row 1",
                              "CIT3145T Iteration on row 2",
                              "CIT3145T Iteration on row 3",
                              "CIT3155T Iteration produced 3 rows in sample 1 for Q",
                          }));
  EXPECT_EQ(rows_of(q), (std::vector<std::string>{"1/1:x", "1/2:x", "1/3:x"}));
  EXPECT_EQ(s->current_row, s->last_row);
  // Older samples keep their numbers and expire by them.
  EXPECT_EQ(run_cursor(q, kT), 0);
  EXPECT_EQ(rows_of(q).size(), 6u);
  EXPECT_EQ(rows_of(q)[3], "2/1:x");
  // A source without rows still makes a sample.
  free_all_rows(s);
  EXPECT_EQ(run_cursor(q, kT), 0);
  EXPECT_EQ(q->sample_no, 3);
  EXPECT_EQ(rows_of(q), (std::vector<std::string>{"2/1:x", "2/2:x", "2/3:x"}));

  // A failed iteration does not stop the others; the last one's code is the result.
  ASSERT_EQ(run_cursor(s, kT), 0);
  q->select = "SELECT w FROM nowhere";
  mark();
  EXPECT_EQ(run_cursor(q, kT), sql_no_such_table);
  EXPECT_EQ(lines("CIT3150"), std::vector<std::string>(
                                  3, "CIT3150E Iteration broken for cursor S, cursor Q rc= -942"));
}

}  // namespace
