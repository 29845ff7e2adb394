// PROCESS.CTL: the records built from good files (the derived parts), the
// listing, and the message lines of every refused statement and block.
#include "ctl/process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/ctl_time.h"
#include "ctl/distributor.h"
#include "ctl_fixture.h"
#include "util/trace.h"

namespace {

// The windows of a list as "start-end" texts, in seconds of the day.
lines windows_of(const operate* list) {
  lines out;
  for (; list; list = list->next)
    out.push_back(std::to_string(list->start) + "-" + std::to_string(list->end));
  return out;
}

class ProcessFile : public ctl_test {
 protected:
  // Parses tests/data/ctl/proc/<corpus>, which must pass printing `expected`;
  // returns the first process.
  distributor* parse_good(const std::string& corpus, const lines& expected = {}) {
    use("proc", "proc/" + corpus);
    int rc = -1;
    EXPECT_EQ(run(init_dist, &rc), expected);
    EXPECT_EQ(rc, 0);
    return anchors.distrib_anchor;
  }
};

TEST_F(ProcessFile, BuildsTheProcessChain) {
  distributor* c = parse_good("good.ctl");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(anchors.collector_at, c);
  EXPECT_EQ(c->classes[0] + c->classes[1] + c->classes[2] + c->classes[3], 3);
  // 0800-1700, and 1800-0200 which wraps past midnight.
  EXPECT_EQ(windows_of(c->mon_fri), (lines{"28800-61200", "64800-93600"}));
  int32_t monday = ctl_day_of("20240115");
  EXPECT_EQ(c->window_start, monday * 86400 + 28800);
  EXPECT_EQ(c->window_end, monday * 86400 + 61200);
  distributor* pxa = c->next;
  EXPECT_EQ(anchors.sleep_time, 30);
  EXPECT_EQ(windows_of(pxa->sunday), (lines{"0-0"}));
  distributor* ev = pxa->next;
  EXPECT_EQ(ev->send_false, 1);
  EXPECT_EQ((std::vector<int32_t>{ev->holidays[0], ev->holidays[1], ev->holidays[2]}),
            (std::vector<int32_t>{ctl_day_of("20301225"), ctl_day_of("20310101"), 0}));
  EXPECT_EQ(anchors.have_evaluator, 1);
}

TEST_F(ProcessFile, DerivedWindowsAndNames) {
  distributor* c = parse_good("offset.ctl", {"PPC1210W Caution! - collector has a time offset"});
  EXPECT_EQ(c->time_offset, 9000);
  // Completed before the time_offset statement: unshifted.
  EXPECT_EQ(windows_of(c->saturday), (lines{"3600-7200"}));
  EXPECT_EQ(windows_of(c->mon_fri), (lines{"19800-52200"}));
  // 2300-0100 moved 1:30 later; the end falls below the start and wraps.
  EXPECT_EQ(windows_of(c->next->sunday), (lines{"88200-95400"}));
  restart();
  c = parse_good("held_start.ctl")->next;
  // A start without its end waits for the end in a later block; an end alone opens at 0.
  EXPECT_EQ(windows_of(c->saturday), (lines{"21600-25200"}));
  EXPECT_EQ(windows_of(c->sunday), (lines{"0-10800"}));
  restart();
  memset(machine_id, 'x', sizeof machine_id);
  c = parse_good("sqlnet.ctl");
  EXPECT_EQ(c->type, 2);
  // A short server name lands on eight blanks; the machine id is padded to 64.
  EXPECT_EQ(std::string(c->server_id, 9), std::string("ORCL\0   \0", 9));
  EXPECT_EQ(std::string(machine_id, 66), "host1" + std::string(59, ' ') + "xx");
}

TEST_F(ProcessFile, RefusesBadFilesWithTheirMessages) {
  check_file_cases("proc", "proc", init_dist, 1, [] {});
}

}  // namespace
