// Cursor runs on a real SQLite database: retention, held cursors, pre-cursors
// and follow-up cursors, iteration and its bindings, the row clusters that
// answer requests, and the "npxa" print lines of each value type.
#include "driver/cursor_run.h"

#include "ctl/clause_records.h"
#include "ctl/clauses.h"
#include "derive/decode.h"
#include "driver/cluster.h"
#include "driver/cursor_edits.h"
#include "driver/npxa.h"
#include "rows/retention.h"
#include "rows/row_record.h"
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
  // The records of `cl` in order, walked with fetch_cur.
  static std::vector<std::string> walk(row_cluster* cl) {
    std::vector<std::string> out;
    while (fetch_cur(cl) == 0) out.emplace_back(cl->current, static_cast<size_t>(cl->row_size));
    return out;
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

TEST_F(RunTest, RowsOfASampleShareBlocks) {
  // 199 bytes of text take 224: a cursor's first sample fills blocks of 4, 8
  // and 16 KiB (18, 36 and 46 of 100 rows), the samples after it one 32 KiB
  // block each. A 100,000-byte row takes 100,032 bytes, its block 32 more.
  struct {
    int32_t len;                  // text length of every row
    int rows, samples;            // rows per sample, samples made (1 upward)
    bool drop_all;                // all rows freed before each new sample
    int hand_over;                // the chain goes to another cursor after this row of the
                                  // last sample, which frees it (0: never)
    int drop_first;               // then oldest rows removed one by one
    int16_t keep;                 // then samples kept by retention (0: no retention)
    int64_t blocks, bytes, made;  // blocks held and their bytes in the end, blocks made
    int rows_left;
  } const cases[] = {
      {199, 100, 1, false, 0, 0, 0, 3, 28 << 10, 3, 100},   // one sample, growing blocks
      {199, 100, 3, false, 0, 0, 1, 1, 32 << 10, 5, 100},   // samples dropped by block
      {199, 100, 3, false, 0, 0, 2, 2, 64 << 10, 5, 200},   // a kept sample's block stays
      {199, 100, 3, false, 0, 1, 1, 1, 32 << 10, 5, 100},   // a block short of a row too
      {199, 100, 1, false, 0, 17, 0, 3, 28 << 10, 3, 83},   // a block keeps its last row
      {199, 100, 1, false, 0, 18, 0, 2, 24 << 10, 3, 82},   // and goes with it
      {199, 100, 1, false, 0, 100, 0, 1, 16 << 10, 3, 0},   // the block being filled stays
      {199, 100, 3, true, 0, 0, 0, 1, 32 << 10, 4, 100},    // and is filled again
      {199, 100, 1, false, 10, 0, 0, 3, 28 << 10, 3, 90},   // a block split over two chains
      {100000, 2, 2, false, 0, 0, 1, 2, 2 * 100064, 4, 2},  // a large row: a block of its own
      {100000, 2, 2, false, 0, 4, 0, 0, 0, 4, 0},           // which goes with it
  };
  curs* c = cursor("C1", "", {});
  curs* other = cursor("C2", "", {});
  for (const auto& tc : cases) {
    release_all_rows();
    const row_store_usage before = row_store_in_use();
    for (int s = 1; s <= tc.samples; ++s) {
      if (tc.drop_all) free_all_rows(c);
      for (int r = 1; r <= tc.rows; ++r) {
        add_row(c, std::string(static_cast<size_t>(tc.len), 'x'), static_cast<int16_t>(s),
                static_cast<int16_t>(r));
        if (s < tc.samples || r != tc.hand_over) continue;
        std::swap(c->first_row, other->first_row);
        std::swap(c->last_row, other->last_row);
        std::swap(c->row_count, other->row_count);
        c->current_row = nullptr;
      }
    }
    free_all_rows(other);
    for (int i = 0; i < tc.drop_first; ++i) drop_first_row(c);
    c->sample_no = tc.samples;
    c->samples = tc.keep;
    if (tc.keep) delete_by_samples(c);
    const row_store_usage after = row_store_in_use();
    SCOPED_TRACE(testing::Message() << tc.len << " " << tc.samples << " " << tc.rows_left);
    EXPECT_EQ(after.blocks - before.blocks, tc.blocks);
    EXPECT_EQ(after.bytes - before.bytes, tc.bytes);
    EXPECT_EQ(after.made - before.made, tc.made);
    EXPECT_EQ(c->row_count, tc.rows_left);
    int walked = 0;
    for (const text_row* r = c->first_row; r; r = r->next) ++walked;
    EXPECT_EQ(walked, tc.rows_left);
    free_all_rows(c);
  }
  release_all_rows();
  EXPECT_EQ(row_store_in_use().blocks, 0);
}

TEST_F(RunTest, HeldCursorKeepsItsRowsAndEmptyCursorsDoNot) {
  curs* c = cursor("C1", "SELECT v FROM t WHERE v = 'a'", {"v"});
  c->hold = 'Y';
  c->empty = 1;
  add_row(c, "kept", 4, 1);
  EXPECT_EQ(run_cursor(c, kT), 0);
  EXPECT_EQ(rows_of(c), std::vector<std::string>{"4/1:kept"});
  c->hold = 'N';
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
    const std::string id = owner == p ? "CFE3195W" : "PFE3200W";
    EXPECT_EQ(lines(id), std::vector<std::string>{id + " Post cursor failed, breaking the chain"});
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
  EXPECT_EQ(run_cursor(q, kT), 0);
  EXPECT_EQ(rows_of(q), (std::vector<std::string>{"1/1:x", "1/2:x", "1/3:x"}));
  EXPECT_EQ(s->current_row, s->last_row);
  // Older samples keep their numbers and expire by them; a source without
  // rows still makes a sample.
  EXPECT_EQ(run_cursor(q, kT), 0);
  free_all_rows(s);
  EXPECT_EQ(run_cursor(q, kT), 0);
  EXPECT_EQ(q->sample_no, 3);
  EXPECT_EQ(rows_of(q), (std::vector<std::string>{"2/1:x", "2/2:x", "2/3:x"}));
  // A failure that released the session ends the run: the later rows would
  // each log on again only to fail the same way.
  ASSERT_EQ(run_cursor(s, kT), 0);
  q->select = "SELECT w FROM nowhere";
  mark();
  EXPECT_EQ(run_cursor(q, kT), sql_no_such_table);
  EXPECT_EQ(lines("CIT3150"),
            std::vector<std::string>{"CIT3150E Iteration broken for cursor S, cursor Q rc= -942"});
  EXPECT_EQ(lines("ORU0006E").size(), 1u);
  // Only the rows that meet the iterate_where condition drive a run.
  q->select = "SELECT 'x' AS w";
  char where[] = "S.v ~= 'b'";
  ASSERT_EQ(parse_iterate_where(q, where), 0);
  ASSERT_EQ(edit_iterate_where(), 0);
  free_all_rows(q);
  EXPECT_EQ(run_cursor(q, kT), 0);
  EXPECT_EQ(q->row_count, 2);
}

TEST_F(RunTest, EditsBindOrReportEveryProblem) {
  curs* a = cursor("ALPHA", "", {});
  curs* b = cursor("BETA", "", {});
  for (const auto& tc : data_rows("driver/cursor_edits.txt", 6)) {
    SCOPED_TRACE(tc[0] + "/" + tc[1] + "/" + tc[2]);
    reset_cursor_bindings();
    a->pre_cursors = b->pre_cursors = nullptr;
    if (!tc[0].empty()) add_pre_cursor(a, tc[0].c_str());
    if (!tc[1].empty()) add_pre_cursor(b, tc[1].c_str());
    b->iterate = cursor_arena().make<struct iterate>();
    strcpy(b->iterate->name, tc[2].c_str());
    mark();
    EXPECT_EQ(edit_pre_cursors(), std::stoi(tc[3]));
    EXPECT_EQ(edit_iterates(), std::stoi(tc[4]));
    std::string printed;
    for (const std::string& l : lines()) printed += l + "\n";
    EXPECT_EQ(printed, tc[5]);
    if (tc[3] == "0" && a->pre_cursors) {
      EXPECT_EQ(bound_pre_cursor(a->pre_cursors), b);
    }
    EXPECT_EQ(bound_iterate_source(b), tc[4] == "0" ? a : nullptr);
  }
}

TEST_F(RunTest, ClustersSnapshotAndWalk) {
  curs* c = cursor("C1", "", {"A", "B"});
  c->column_list->fmt_len = 3;  // "aaa|bbbb|"
  c->column_list->next->offset = 4;
  c->column_list->next->fmt_len = 4;
  c->sample_no = 8;
  add_row(c, "r1 |x   |", 7, 1);
  add_row(c, "r2 |y   |", 8, 1);
  add_row(c, "r3 |zzzz|", 8, 2);
  row_cluster* all = make_cluster(c);
  c->samples = 2;  // keeping samples: only the newest is sent
  row_cluster* newest = make_cluster(c);
  c->sample_no = 9;
  EXPECT_EQ(make_cluster(c), nullptr);
  free_all_rows(c);  // the snapshots keep their copies
  EXPECT_EQ(walk(all), (std::vector<std::string>{"r1 x   ", "r2 y   ", "r3 zzzz"}));
  EXPECT_EQ(fetch_cur(all), 100);
  EXPECT_EQ(walk(newest), (std::vector<std::string>{"r2 y   ", "r3 zzzz"}));
  add_row(c, "fn |9999|", 1, 1);
  c->function_row = c->first_row;
  row_cluster* one = make_cluster_1(c);
  EXPECT_EQ(walk(one), std::vector<std::string>{"fn 9999"});
  // Closed clusters are gone from the registry and deliver nothing.
  for (row_cluster* cl : {all, newest, one}) EXPECT_EQ(close_cur(cl), 0);
  EXPECT_EQ(clusters.cl_anchor, nullptr);
  row_cluster stray;
  stray.count = 1;
  EXPECT_EQ(fetch_cur(&stray), 100);
  EXPECT_EQ(close_cur(&stray), 0);
  c->function_row = nullptr;
}

TEST_F(RunTest, DemandCursorsRunWhileStale) {
  curs* d = cursor("D1", "SELECT v FROM t WHERE v = 'a'", {"v"});
  d->demand = 1;
  auto request = [d] {
    row_cluster* cl = open_cursor(d);
    int n = cl ? static_cast<int>(walk(cl).size()) : -1;
    close_cur(cl);
    return std::to_string(n) + " rows, sample " + std::to_string(d->sample_no);
  };
  struct {
    int advance, stale;
    int16_t post_copy;
    const char* got;  // records sent and the sample then
  } const cases[] = {
      {0, 60, 0, "1 rows, sample 1"},   // never run: stale
      {59, 60, 0, "1 rows, sample 1"},  // fresh: the stored rows
      {1, 60, 0, "1 rows, sample 2"},   // stale again: run anew
      {60, 60, 1, "1 rows, sample 2"},  // an age-to copy's rows come from the hand-over
      {0, 0, 0, "1 rows, sample 3"},    // stale 0 runs at every request...
      {0, 0, 0, "1 rows, sample 4"},
  };
  for (const auto& tc : cases) {
    clock_.advance(tc.advance);
    d->stale = tc.stale;
    d->post_copy = tc.post_copy;
    EXPECT_EQ(request(), tc.got);
  }
  EXPECT_EQ(d->row_count, 0);  // ...and keeps nothing
  d->hold = 'Y';
  EXPECT_EQ(request(), "-1 rows, sample 4");
  d->hold = 'N';
  d->select = "SELECT v FROM nowhere";
  d->stale_at = 99;
  EXPECT_EQ(request(), "-1 rows, sample 5");
  EXPECT_EQ(d->stale_at, 0);
}

TEST_F(RunTest, NpxaPrintsEachType) {
  curs* c = cursor("C1", "", {"A", "B", "C", "D", "E", "F", "G"});
  columns* col = c->column_list;
  col->fmt_len = 6;               // text
  col->next->num_type = 1;        // INT! at 8
  col->next->next->num_type = 2;  // FLOAT! at 16
  col = col->next->next->next;
  col->num_type = 4;       // NS!: not in the record
  col->next->fmt_len = 5;  // text cut to 3 at 24
  col->next->set_length = 3;
  col->next->next->num_type = 5;  // INT64! at 28, its text length passing the record
  col->next->next->fmt_len = 17;
  col->next->next->next->fmt_len = 2;  // text at 36: an empty value, all NULs
  ASSERT_EQ(get_row_size(c), 38);
  char record[38] = "ab    ";
  const int32_t i = -42;
  const double d = 2.5;
  memcpy(record + 8, &i, 4);
  memcpy(record + 16, &d, 8);
  memcpy(record + 24, "   ", 3);
  memcpy(record + 28, "ABCDEFGH", 8);  // shown as its bytes
  mark();
  send_a_row(c, record);
  send_a_row(c, record);  // the same cursor: no table line
  std::vector<std::string> row = {
      "CPR1895I #=1,n=A,l=2,o=0,ll=6:ab",        "CPR1895I #=2,n=B,l=3,o=8,ll=4:-42",
      "CPR1895I #=3,n=C,l=8,o=16,ll=8:2.500000", "CPR1895I #=4,n=D,l=3,o=0,ll=0:ZIP",
      "CPR1895I #=5,n=E,l=1,o=24,ll=3: ",        "CPR1895I #=6,n=F,l=8,o=28,ll=17:ABCDEFGH",
      "CPR1895I #=7,n=G,l=1,o=36,ll=2:",  // keeps its first character, the NUL
  };
  std::vector<std::string> want = {"CPR1890I T_C1"};
  want.insert(want.end(), row.begin(), row.end());
  want.insert(want.end(), row.begin(), row.end());
  EXPECT_EQ(lines(), want);
}

}  // namespace
