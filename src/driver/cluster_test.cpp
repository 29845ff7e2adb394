// Row clusters: the rows a snapshot takes, walking it, the registry, and
// demand cursors run on request while their rows are stale.
#include "driver/cluster.h"

#include "sched_fixture.h"

namespace {

class ClusterTest : public SchedTest {
 protected:
  // The records of `cl` in order, walked with fetch_cur.
  static std::vector<std::string> walk(row_cluster* cl) {
    std::vector<std::string> out;
    while (fetch_cur(cl) == 0) out.emplace_back(cl->current, static_cast<size_t>(cl->row_size));
    return out;
  }
};

TEST_F(ClusterTest, SnapshotsAndWalks) {
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
  EXPECT_EQ(make_cluster(c), nullptr);

  add_row(c, "fn |9999|", 1, 1);
  c->result_row = c->first_row;
  row_cluster* one = make_cluster_1(c);
  EXPECT_EQ(walk(one), std::vector<std::string>{"fn 9999"});
  // Closed clusters are gone from the registry and deliver nothing.
  for (row_cluster* cl : {all, newest, one}) EXPECT_EQ(close_cur(cl), 0);
  EXPECT_EQ(clusters.cl_anchor, nullptr);
  row_cluster stray;
  stray.count = 1;
  EXPECT_EQ(fetch_cur(&stray), 100);
  EXPECT_EQ(close_cur(&stray), 0);
  c->result_row = nullptr;
}

TEST_F(ClusterTest, DemandCursorsRunWhileStale) {
  make_db("CREATE TABLE t(v VARCHAR(8)); INSERT INTO t VALUES('one');");
  curs* d = cursor("D1", "SELECT v FROM t", {"v"});
  d->demand = 1;
  auto request = [d] {
    row_cluster* cl = open_cursor(d);
    int n = cl ? static_cast<int>(walk(cl).size()) : -1;
    close_cur(cl);
    return std::to_string(n) + " rows, sample " + std::to_string(d->sample_no);
  };
  struct {
    int advance;      // seconds before the request
    const char* got;  // records sent and the sample then
  } const stale_60[] = {
      {0, "1 rows, sample 1"},   // never run: stale
      {59, "1 rows, sample 1"},  // fresh: the stored rows
      {1, "1 rows, sample 2"},   // stale again: run anew
  };
  d->stale = 60;
  for (const auto& tc : stale_60) {
    clock_.advance(tc.advance);
    EXPECT_EQ(request(), tc.got);
  }
  EXPECT_EQ(d->row_count, 1);
  d->post_copy = 1;  // an age-to copy is not run: its rows come from the hand-over
  clock_.advance(60);
  EXPECT_EQ(request(), "1 rows, sample 2");
  d->post_copy = 0;
  d->stale = 0;  // runs at every request and keeps nothing
  EXPECT_EQ(request(), "1 rows, sample 3");
  EXPECT_EQ(request(), "1 rows, sample 4");
  EXPECT_EQ(d->row_count, 0);
  d->hold = 'Y';
  EXPECT_EQ(request(), "-1 rows, sample 4");
  d->hold = 'N';
  d->select = "SELECT v FROM nowhere";
  d->stale_at = 99;
  EXPECT_EQ(request(), "-1 rows, sample 5");
  EXPECT_EQ(d->stale_at, 0);
}

}  // namespace
