// The scheduling loop in simulated time: operating windows, when the
// collector runs, how long passes sleep, the collector's pass over the
// cursors, the dispatch of the other processes, and leaving or restarting.
#include "driver/schedule.h"

#include <sstream>

#include "child_run.h"
#include "ctl/ctl_time.h"
#include "ctl/windows.h"
#include "driver/stopping.h"
#include "rows/database.h"
#include "sched_fixture.h"
#include "util/command_line.h"
#include "util/trace.h"

namespace {

// Relative seconds of "YYYYMMDDHHMM" (hours past 23 run into the next day).
int32_t rel_secs(const std::string& t) {
  return ctl_day_of(t.c_str()) * 86400 + std::stoi(t.substr(8, 2)) * 3600 +
         std::stoi(t.substr(10, 2)) * 60;
}

// The windows "HHMM-HHMM,..." as a chain kept in `store`; "" is the whole day.
operate* chain(std::vector<operate>& store, const std::string& windows) {
  auto hhmm = [&](size_t at) {
    return std::stoi(windows.substr(at, 2)) * 3600 + std::stoi(windows.substr(at + 2, 2)) * 60;
  };
  for (size_t at = 0; at + 9 <= windows.size(); at += 10)
    store.push_back({nullptr, hhmm(at), hhmm(at + 5)});
  for (size_t i = 0; i + 1 < store.size(); ++i) store[i].next = &store[i + 1];
  return store.empty() ? &full_day : &store[0];
}

// Rows of tests/data/driver/windows.txt.
TEST(Windows, NextWindowOfAProcess) {
  for (const auto& r : data_rows("driver/windows.txt", 6)) {
    SCOPED_TRACE(r[0]);
    std::vector<operate> mon_fri, saturday;
    distributor d;
    d.mon_fri = chain(mon_fri, r[1]);
    d.saturday = chain(saturday, r[2]);
    d.sunday = &full_day;
    std::istringstream holidays(r[3]);
    int i = 0;
    for (std::string day; holidays >> day;) d.holidays[i++] = ctl_day_of(day.c_str());
    EXPECT_EQ(set_window(&d, rel_secs(r[0])), 0);
    EXPECT_EQ(d.window_start, rel_secs(r[4]));
    EXPECT_EQ(d.window_end, rel_secs(r[5]));
  }
}

TEST(Windows, CursorWindowsWithoutHolidaysAndWhoKeepsItsOwn) {
  operate morning{nullptr, 8 * 3600, 12 * 3600};
  struct {
    int16_t demand;
    char hold;
    int16_t once;
    int32_t rows;
    bool computed;
  } const rows[] = {
      {0, 0, 0, 0, true},     // an interval cursor gets its window (cursors have no holidays)
      {1, 0, 0, 0, false},    // a demand cursor keeps its own
      {0, 'Y', 0, 0, false},  // so does a held one
      {0, 0, 1, 0, true},     // once, without rows yet: computed
      {0, 0, 1, 5, false},    // once, holding rows: left alone
  };
  for (const auto& r : rows) {
    curs c;
    c.mon_fri = &morning;
    c.saturday = c.sunday = &full_day;
    c.demand = r.demand, c.hold = r.hold, c.once = r.once, c.row_count = r.rows;
    c.window_open = c.window_close = -1;
    EXPECT_EQ(set_window_c(&c, rel_secs("202401151300")), 0);
    EXPECT_EQ(c.window_open, r.computed ? rel_secs("202401160800") : -1);
    EXPECT_EQ(c.window_close, r.computed ? rel_secs("202401161200") : -1);
  }
}

operate eleven{nullptr, 11 * 3600, 12 * 3600};

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

TEST_F(ScheduleTest, WaitingForAWindowCostsNoPasses) {
  coll_->mon_fri = &eleven;
  coll_->interval = 3600;
  process("held", 60)->hold = 'Y';  // overdue, but it cannot run
  process("later", 60)->mon_fri = &eleven;
  EXPECT_EQ(collector_runs(1), std::vector<std::string>{"20240115110000"});
  EXPECT_EQ(passes_, 361);           // 360 sleeps of sleep_time, then the run
  EXPECT_EQ(clock_.slept(), 3610u);  // and the sleep after it
  // The next run would be at the window's end: it waits for the next day's.
  EXPECT_EQ(collector_runs(1), std::vector<std::string>{"20240116110000"});
}

// Sleeps capped by sleep_time, up to a window, and past held processes are
// counted by the test above.
TEST_F(ScheduleTest, SleepLength) {
  const int32_t now = rel(kMonday10);
  struct {
    int32_t cap, next;  // sleep_time; next_time from now
    int16_t state;
    int32_t sleep;
  } const cases[] = {
      {10, -30, 1, 0},    // overdue: no sleep
      {600, -30, 0, 60},  // inactive: one interval on
      {0, 100, 1, 1},     // a zero sleep_time still sleeps a second
  };
  distributor* d = process("dist", 60);
  coll_->next_time = now + 5000;
  for (const auto& tc : cases) {
    anchors.sleep_time = tc.cap;
    d->next_time = now + tc.next;
    d->state = tc.state;
    EXPECT_EQ(sleep_length(now), tc.sleep) << tc.next << "/" << tc.state;
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

TEST_F(ScheduleTest, CollectBypassesAndHoldsForOnePass) {
  make_db("CREATE TABLE t(v VARCHAR(8)); INSERT INTO t VALUES('a'),('b');");
  const char* sql = "SELECT v FROM t";
  curs* held = cursor("HELD", sql, {"v"});
  curs* kept = cursor("KEPT", sql, {"v"});
  cursor("DEMAND", sql, {"v"})->demand = 1;
  cursor("CLASS3", sql, {"v"})->class_ = 3;
  cursor("LATER", sql, {"v"})->mon_fri = &eleven;
  curs* early = cursor("EARLY", sql, {"v"});
  curs* runs = cursor("RUNS", sql, {"v"});
  held->hold = kept->hold = 'Y';
  kept->held_by_decode = 1;
  early->next_time = rel(kMonday10) + 1;
  EXPECT_EQ(collect(), 0);
  for (curs* c = anchors.cur_anchor; c; c = c->next)  // held, demand, class, window, interval
    EXPECT_EQ(c->sample_no, c == runs ? 1 : 0) << c->cur_name;
  EXPECT_EQ(runs->next_time, rel(kMonday10) + 60);
  EXPECT_STREQ(held->last_time, "20240115100000");  // every cursor's, after a good pass
  EXPECT_STREQ(coll_->run_status, "GOOD");
  // Nothing holds HELD any more: it runs in the next pass; KEPT stays held.
  clock_.advance(1);
  EXPECT_EQ(collect(), 0);
  EXPECT_EQ(held->sample_no + early->sample_no + runs->sample_no + kept->sample_no, 3);
  EXPECT_EQ(kept->hold, 'Y');
}

// A failing cursor does not stop the others: the collector's end-to-end run
// shows it. A failed logon shows as "CNCT" and is tried once a pass: the
// other cursors fail with its code at once, without a message; the next pass
// tries again.
TEST_F(ScheduleTest, AFailedLogonIsTriedOncePerPass) {
  make_db("CREATE TABLE t(v VARCHAR(8)); INSERT INTO t VALUES('a'),('b');");
  curs* good = cursor("GOOD", "SELECT v FROM t", {"v"});
  curs* twin = cursor("TWIN", "SELECT v FROM t", {"v"});
  coll_->continuous = 'N';  // releases the session after each pass
  EXPECT_EQ(collect(), 0);
  EXPECT_EQ(database_info.connected, 0);
  clock_.advance(60);
  env_vars.serverid = env_store("nosuchdb");
  mark();
  EXPECT_EQ(collect(), 2);
  EXPECT_EQ(lines("RCD0100").size(), 1u);
  EXPECT_STREQ(coll_->run_status, "CNCT");
  EXPECT_EQ(good->last_sqlcode, sql_not_available);
  EXPECT_EQ(twin->last_sqlcode, sql_not_available);
  EXPECT_EQ(good->row_count, 2);  // the rows stay
  env_vars.serverid = env_store("coll");
  clock_.advance(60);
  database_new_pass();  // as the next pass begins
  EXPECT_EQ(collect(), 0);
  EXPECT_STREQ(coll_->run_status, "GOOD");
  EXPECT_EQ(good->row_count, 4);
}

TEST_F(ScheduleTest, DispatchByName) {
  distributor* hist = process("historian", 60);
  process("dist", 60)->time_offset = 3600;
  distributor* held = process("held", 60);
  held->hold = 'Y';
  distributor* pxa = process("pxa", 60);
  coll_->interval = 6;
  coll_->state = 3;
  // The request loop serves over a real request pipe that no probe writes to;
  // its waits pass in real time, kept short by a 2-second cap.
  anchors.sleep_time = 2;
  env_vars.useshm = env_store("0");
  env_vars.localtmpdir = env_store(dir_.path());
  mark();
  ASSERT_TRUE(schedule_pass());
  EXPECT_STREQ(hist->last_run, "20240115100000");
  EXPECT_STREQ(hist->run_status, "GOOD");
  EXPECT_EQ(hist->next_time, rel(kMonday10) + 60);
  EXPECT_EQ(held->next_time, 0);
  EXPECT_EQ(coll_->state, 5);  // state value 2 turned into 4
  // The request loop found no request and waited until the next collection.
  EXPECT_STREQ(pxa->run_status, "GOOD");
  EXPECT_STREQ(pxa->last_run, "20240115100004");
  EXPECT_EQ(clock_.slept(), 6u);
  EXPECT_EQ(lines("CIR"), std::vector<std::string>{"CIR1625I Dist for dist at 20240115110000"});
}

TEST_F(ScheduleTest, GoHomeTimeAndRestart) {
  coll_->interval = 600;
  anchors.go_home_time = rel(kMonday10) + 25;
  // Lines of classes I and W are not flushed one by one; a reader following
  // the file (or a collector killed in its sleep) still sees the whole pass.
  PRINT('i', "tst0001", "an information line\n");
  EXPECT_TRUE(schedule_pass());
  EXPECT_EQ(clock_.slept(), 10u);
  EXPECT_NE(read_whole(print_globals.stder_filename).find("TST0001I"), std::string::npos);
  int passes = 1;
  while (schedule_pass()) ++passes;
  EXPECT_EQ(passes, 3);  // sleeps of 10, 10 and 5 seconds
  EXPECT_EQ(go_home, 1);
  go_home = anchors.go_home_time = 0;

  // A restart whose program file is missing waits 5 seconds instead.
  char prog[] = "/nonexistent/collector";
  char* argv[] = {prog, nullptr};
  command_line.given_argv = argv;
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
    command_line.given_argv = args;
    database_info.session_status = 2;
    schedule_pass();
  });
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_NE(r.output.find("restarted as sh\n"), std::string::npos) << r.output;
  command_line.given_argv = nullptr;
}

}  // namespace
