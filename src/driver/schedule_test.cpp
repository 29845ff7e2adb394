// The scheduling loop in simulated time: when the collector runs (windows,
// holidays, intervals, lateness), how long passes sleep, the dispatch of the
// other processes, and leaving or restarting.
#include "driver/schedule.h"

#include "child_run.h"
#include "rows/database.h"
#include "sched_fixture.h"
#include "util/trace.h"

namespace {

operate lunch_break[2] = {{&lunch_break[1], 8 * 3600, 12 * 3600}, {nullptr, 13 * 3600, 17 * 3600}};
operate office{nullptr, 8 * 3600, 17 * 3600};
operate eleven{nullptr, 11 * 3600, 12 * 3600};
operate no_window{nullptr, 0, 0};

class ScheduleTest : public SchedTest {
 protected:
  // Runs passes until the collector has run `runs` times; returns when it ran.
  std::vector<std::string> collector_runs(size_t runs) {
    std::vector<std::string> at;
    for (passes_ = 0; at.size() < runs && passes_ < 100000; ++passes_) {
      const std::string before = coll_->last_run;
      EXPECT_TRUE(schedule_pass());
      if (before != coll_->last_run) at.push_back(coll_->last_run);
    }
    return at;
  }
  int passes_ = 0;
};

TEST_F(ScheduleTest, CollectorRunsInItsWindows) {
  struct {
    time_t start;  // the first pass
    operate *saturday, *mon_fri;
    int32_t holiday;           // relative day number, 0 none
    const char *first, *next;  // the collector's runs (interval 1 hour)
  } const cases[] = {
      // Monday 12:30 between 0800-1200 and 1300-1700.
      {kMonday10 + 9000, &full_day, lunch_break, 0, "20240115130000", "20240115140000"},
      // Friday 17:30 after the last weekday window: Saturday's full day.
      {kMonday10 + 4 * kDay + 27000, &full_day, &office, 0, "20240120000000", "20240120010000"},
      // The same with Saturday 0000-0000: no Saturday at all.
      {kMonday10 + 4 * kDay + 27000, &no_window, &office, 0, "20240121000000", "20240121010000"},
      // Monday 06:00 and Monday a holiday: Tuesday 08:00.
      {kMonday10 - 14400, &full_day, &office, rel(kMonday10) / kDay, "20240116080000",
       "20240116090000"},
      // Inside a window at once; the window's end holds the next run back.
      {kMonday10 + 23400, &full_day, &office, 0, "20240115163000", "20240116080000"},
  };
  anchors.sleep_time = 600;
  coll_->interval = 3600;
  for (const auto& tc : cases) {
    clock_.set(tc.start);
    coll_->saturday = tc.saturday;
    coll_->mon_fri = tc.mon_fri;
    coll_->holidays[0] = tc.holiday;
    coll_->window_start = coll_->window_end = coll_->next_time = 0;
    EXPECT_EQ(collector_runs(2), (std::vector<std::string>{tc.first, tc.next}));
  }
}

TEST_F(ScheduleTest, WaitingForAWindowCostsNoPasses) {
  coll_->mon_fri = &eleven;
  process("held", 60)->hold = 'Y';  // overdue, but it cannot run
  process("later", 60)->mon_fri = &eleven;
  EXPECT_EQ(collector_runs(1), std::vector<std::string>{"20240115110000"});
  EXPECT_EQ(passes_, 361);           // 360 sleeps of sleep_time, then the run
  EXPECT_EQ(clock_.slept(), 3610u);  // and the sleep after it
}

TEST_F(ScheduleTest, SleepLength) {
  const int32_t now = rel(kMonday10);
  struct {
    int32_t cap, next, window;  // sleep_time; next_time and window_start from now
    char hold;
    int16_t state;
    int32_t sleep;
  } const cases[] = {
      {10, 100, -50, 'N', 1, 10},    // capped by sleep_time
      {10, -30, -50, 'N', 1, 0},     // overdue: no sleep
      {600, -30, 300, 'N', 1, 300},  // overdue before its window: until the window
      {600, -30, -50, 'Y', 1, 60},   // held: one interval on
      {600, -30, -50, 'N', 0, 60},   // inactive: the same
      {0, 100, -50, 'N', 1, 1},      // a zero sleep_time still sleeps a second
  };
  distributor* d = process("dist", 60);
  coll_->next_time = now + 5000;
  for (const auto& tc : cases) {
    anchors.sleep_time = tc.cap;
    d->next_time = now + tc.next;
    d->window_start = now + tc.window;
    d->hold = tc.hold;
    d->state = tc.state;
    EXPECT_EQ(sleep_length(now), tc.sleep) << tc.next << "/" << tc.window;
  }
  coll_->hold = 'Y';  // the collector runs even when held
  coll_->next_time = now;
  EXPECT_EQ(sleep_length(now), 0);
}

TEST_F(ScheduleTest, CursorIntervalsDoNotCatchUp) {
  make_db("CREATE TABLE t(v VARCHAR(8)); INSERT INTO t VALUES('a');");
  curs* c = cursor("C1", "SELECT v FROM t", {"v"});
  coll_->interval = 10;
  std::vector<std::string> runs;
  for (int pass = 0; pass < 20; ++pass) {
    const int32_t before = c->sample_no;
    ASSERT_TRUE(schedule_pass());
    if (c->sample_no != before) runs.push_back(c->last_time);
    if (pass == 12) clock_.advance(150);  // the next pass comes late
  }
  EXPECT_EQ(runs, (std::vector<std::string>{"20240115100000", "20240115100100", "20240115100200",
                                            "20240115100440", "20240115100540"}));
}

TEST_F(ScheduleTest, DispatchByName) {
  distributor* hist = process("historian", 60);
  process("dist", 60)->time_offset = 3600;
  distributor* held = process("held", 60);
  held->hold = 'Y';
  distributor* pxa = process("pxa", 60);
  coll_->interval = 30;
  coll_->state = 3;
  // The request loop serves over a real request pipe that no probe writes to.
  env_vars.useshm = env_store("0");
  env_vars.localtmpdir = env_store(dir_.path());
  tracing.my_trace_all[4] = 1;
  mark();
  ASSERT_TRUE(schedule_pass());
  EXPECT_STREQ(hist->last_run, "20240115100000");
  EXPECT_STREQ(hist->run_status, "GOOD");
  EXPECT_EQ(hist->next_time, rel(kMonday10) + 60);
  EXPECT_EQ(held->next_time, 0);
  EXPECT_EQ(coll_->state, 5);  // state value 2 turned into 4
  // The request loop found no request and waited until the next collection.
  EXPECT_STREQ(pxa->run_status, "GOOD");
  EXPECT_STREQ(pxa->last_run, "20240115100020");
  EXPECT_EQ(clock_.slept(), 30u);
  const std::string t = std::to_string(rel(kMonday10));
  EXPECT_EQ(lines("ZMS0001")[0],
            "ZMS0001T Go to sleep for 10 sec at " + t + "; 30 sec remain(s) until next collection");
  EXPECT_EQ(
      lines("ZMS0004"),
      std::vector<std::string>{"ZMS0004T Go to collect at " + std::to_string(rel(kMonday10) + 20) +
                               ", collection time: " + std::to_string(rel(kMonday10) + 30)});
  EXPECT_EQ(lines("CIR"), std::vector<std::string>{"CIR1625I Dist for dist at 20240115110000"});
}

TEST_F(ScheduleTest, GoHomeTimeAndRestart) {
  coll_->interval = 600;
  anchors.go_home_time = rel(kMonday10) + 25;
  int passes = 0;
  while (schedule_pass()) ++passes;
  EXPECT_EQ(passes, 3);  // sleeps of 10, 10 and 5 seconds
  EXPECT_EQ(globals.go_home, 1);
  globals.go_home = anchors.go_home_time = 0;

  // A restart whose program file is missing waits 5 seconds instead.
  char prog[] = "/nonexistent/collector";
  char* argv[] = {prog, nullptr};
  globals.argv = argv;
  database_info.session_status = 2;
  mark();
  EXPECT_TRUE(schedule_pass());
  EXPECT_EQ(lines(),
            std::vector<std::string>{"CGN1522S Restarting collector Mon Jan 15 10:00:25 2024"});
  EXPECT_EQ(database_info.session_status, 1);
  EXPECT_EQ(clock_.slept(), 30u);

  // A present one replaces the process, with the same arguments.
  ChildResult r = run_in_child([] {
    static char sh[] = "sh", c[] = "-c", cmd[] = "echo restarted as $0";
    static char* args[] = {sh, c, cmd, nullptr};
    globals.argv = args;
    database_info.session_status = 2;
    schedule_pass();
  });
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_NE(r.output.find("restarted as sh\n"), std::string::npos) << r.output;

  // Leaving the loop ends the process in order.
  r = run_in_child([] { leave_schedule(); });
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_NE(r.output.find("CGN1524I"), std::string::npos) << r.output;
  globals.argv = nullptr;
}

}  // namespace
