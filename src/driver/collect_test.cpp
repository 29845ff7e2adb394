// The collector process's pass over the cursors: bypass reasons, holds that
// last one pass, failures that do not stop the pass, "CNCT" after a failed
// logon and the logon retried in the next pass.
#include "driver/schedule.h"
#include "rows/database.h"
#include "sched_fixture.h"
#include "util/trace.h"

namespace {

class CollectTest : public SchedTest {
 protected:
  void SetUp() override {
    SchedTest::SetUp();
    make_db("CREATE TABLE t(v VARCHAR(8)); INSERT INTO t VALUES('a'),('b');");
  }
};

TEST_F(CollectTest, BypassReasons) {
  operate eleven{nullptr, 11 * 3600, 12 * 3600};
  const char* sql = "SELECT v FROM t";
  curs* held = cursor("HELD", sql, {"v"});
  curs* kept = cursor("KEPT", sql, {"v"});
  cursor("DEMAND", sql, {"v"})->demand = 1;
  cursor("CLASS3", sql, {"v"})->class_ = 3;
  cursor("LATER", sql, {"v"})->mon_fri = &eleven;
  curs* early = cursor("EARLY", sql, {"v"});
  curs* runs = cursor("RUNS", sql, {"v"});
  for (curs* c = anchors.cur_anchor; c; c = c->next) c->trace = 1;
  cursor("QUIET", sql, {"v"})->demand = 1;  // not traced: no message
  held->hold = kept->hold = 'Y';
  kept->held_by_decode = 1;
  early->next_time = rel(kMonday10) + 1;
  tracing.my_trace_all[5] = 1;
  mark();
  EXPECT_EQ(collect(), 0);
  EXPECT_EQ(lines("CGN"), (std::vector<std::string>{
                              "CGN1515T Bypassing cursor HELD, why = held",
                              "CGN1515T Bypassing cursor KEPT, why = held",
                              "CGN1516T Bypassing cursor DEMAND, why = demand",
                              "CGN1517T Bypassing cursor CLASS3, why = class",
                              "CGN1518T Bypassing cursor LATER, why = window",
                              "CGN1519T Bypassing cursor EARLY, why = interval time",
                              "CGN1520T Interval collection at Mon Jan 15 10:00:00 2024 for RUNS",
                          }));
  EXPECT_EQ(runs->next_time, rel(kMonday10) + 60);
  EXPECT_STREQ(held->last_time, "20240115100000");  // every cursor's, after a good pass
  EXPECT_STREQ(coll_->run_status, "GOOD");
  // Nothing holds HELD any more: it runs in the next pass; KEPT stays held.
  clock_.advance(1);
  EXPECT_EQ(collect(), 0);
  EXPECT_EQ(held->sample_no + early->sample_no + runs->sample_no + kept->sample_no, 3);
  EXPECT_EQ(kept->hold, 'Y');
}

TEST_F(CollectTest, FailuresDoNotStopThePass) {
  curs* good = cursor("GOOD", "SELECT v FROM t", {"v"});
  cursor("BAD1", "SELECT v FROM nowhere", {"v"});
  cursor("BAD2", "SELECT nothing FROM t", {"v"});
  mark();
  EXPECT_EQ(collect(), 2);
  EXPECT_EQ(lines("CGN"), (std::vector<std::string>{
                              "CGN1521E Interval collection failed for cursor BAD1",
                              "CGN1521E Interval collection failed for cursor BAD2",
                          }));
  EXPECT_EQ(good->row_count, 2);
  EXPECT_STREQ(coll_->run_status, "FAIL");

  // A failed logon shows as "CNCT" and is tried again in the next pass.
  anchors.cur_anchor = good;
  good->next = nullptr;
  good->next_time = 0;
  coll_->continuous = 'N';  // releases the session after each pass
  EXPECT_EQ(collect(), 0);
  EXPECT_EQ(database_info.connected, 0);
  clock_.advance(60);
  env_vars.serverid = env_store("nosuchdb");
  EXPECT_EQ(collect(), 1);
  EXPECT_STREQ(coll_->run_status, "CNCT");
  EXPECT_EQ(good->last_sqlcode, sql_not_available);
  EXPECT_EQ(good->row_count, 4);  // the rows stay
  env_vars.serverid = env_store("coll");
  clock_.advance(60);
  EXPECT_EQ(collect(), 0);
  EXPECT_STREQ(coll_->run_status, "GOOD");
  EXPECT_EQ(good->row_count, 6);
}

}  // namespace
