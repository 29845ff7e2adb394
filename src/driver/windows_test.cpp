// Operating windows: the next window of a process across day classes,
// empty weekend days and holidays, and the cursors that keep theirs.
#include "driver/windows.h"

#include <gtest/gtest.h>

#include <vector>

#include "ctl/ctl_time.h"
#include "ctl/curs.h"
#include "ctl/distributor.h"
#include "ctl/operate.h"

namespace {

constexpr int32_t hour = 3600;
constexpr int32_t day = 86400;

struct window_case {
  const char* now;  // YYYYMMDDHHMMSS
  std::vector<operate> mon_fri;
  std::vector<operate> saturday;  // empty: the whole day
  std::vector<const char*> holidays;
  const char* open_day;  // YYYYMMDD of the window's day
  int32_t open, close;   // seconds after that day's midnight
};

const window_case window_cases[] = {
    // 12:30 on a Monday between two windows: the afternoon one.
    {"20240115123000",
     {{nullptr, 8 * hour, 12 * hour}, {nullptr, 13 * hour, 17 * hour}},
     {},
     {},
     "20240115",
     13 * hour,
     17 * hour},
    // Inside the morning window: that window, though it started earlier.
    {"20240115090000",
     {{nullptr, 8 * hour, 12 * hour}, {nullptr, 13 * hour, 17 * hour}},
     {},
     {},
     "20240115",
     8 * hour,
     12 * hour},
    // Friday 17:30, weekday window over: Saturday's whole day.
    {"20240119173000", {{nullptr, 8 * hour, 17 * hour}}, {}, {}, "20240120", 0, day},
    // A Saturday list starting 0000-0000 skips Saturdays: Sunday follows.
    {"20240119173000", {{nullptr, 8 * hour, 17 * hour}}, {{nullptr, 0, 0}}, {}, "20240121", 0, day},
    // A Monday holiday moves Monday's window to Tuesday.
    {"20240115060000",
     {{nullptr, 8 * hour, 17 * hour}},
     {},
     {"20240115"},
     "20240116",
     8 * hour,
     17 * hour},
    // Two holidays in a row.
    {"20240115060000",
     {{nullptr, 8 * hour, 17 * hour}},
     {},
     {"20240116", "20240115"},
     "20240117",
     8 * hour,
     17 * hour},
    // The search starts today: at 01:00 the window wrapping from the day before
    // is not found again (windows are recomputed only once the stored one ends).
    {"20240116010000", {{nullptr, 22 * hour, 26 * hour}}, {}, {}, "20240116", 22 * hour, 26 * hour},
    // The end itself is no longer inside: the next day's window.
    {"20240115170000", {{nullptr, 8 * hour, 17 * hour}}, {}, {}, "20240116", 8 * hour, 17 * hour},
};

int32_t rel_secs(const char* t) {
  int32_t hh = (t[8] - '0') * 10 + (t[9] - '0');
  int32_t mm = (t[10] - '0') * 10 + (t[11] - '0');
  return ctl_day_of(t) * day + hh * hour + mm * 60;
}

// Links a case's windows into a chain (the vector must outlive the chain).
operate* chain(std::vector<operate>& list) {
  for (size_t i = 0; i + 1 < list.size(); ++i) list[i].next = &list[i + 1];
  return list.empty() ? &full_day : &list[0];
}

TEST(SetWindow, FindsTheNextWindowOfAProcess) {
  for (const window_case& c : window_cases) {
    SCOPED_TRACE(c.now);
    std::vector<operate> mon_fri = c.mon_fri, saturday = c.saturday;
    distributor d;
    d.mon_fri = chain(mon_fri);
    d.saturday = chain(saturday);
    d.sunday = &full_day;
    for (size_t i = 0; i < c.holidays.size(); ++i) d.holidays[i] = ctl_day_of(c.holidays[i]);
    EXPECT_EQ(set_window(&d, rel_secs(c.now)), 0);
    int32_t base = ctl_day_of(c.open_day) * day;
    EXPECT_EQ(d.window_start, base + c.open);
    EXPECT_EQ(d.window_end, base + c.close);
  }
}

TEST(SetWindow, CursorsIgnoreHolidaysAndSomeKeepTheirWindow) {
  operate morning{nullptr, 8 * hour, 12 * hour};
  int32_t now = rel_secs("20240115130000");
  int32_t tuesday = ctl_day_of("20240116") * day;
  struct row {
    int16_t demand;
    char hold;
    int16_t once;
    int32_t rows;
    bool computed;
  };
  const row rows[] = {
      {0, 0, 0, 0, true},     // an interval cursor gets its window
      {1, 0, 0, 0, false},    // a demand cursor keeps its own
      {0, 'Y', 0, 0, false},  // so does a held one
      {0, 0, 1, 0, true},     // once, without rows yet: computed
      {0, 0, 1, 5, false},    // once, holding rows: left alone
  };
  for (const row& r : rows) {
    curs c;
    c.mon_fri = &morning;
    c.saturday = c.sunday = &full_day;
    c.demand = r.demand;
    c.hold = r.hold;
    c.once = r.once;
    c.row_count = r.rows;
    c.window_open = c.window_close = -1;
    EXPECT_EQ(set_window_c(&c, now), 0);
    EXPECT_EQ(c.window_open, r.computed ? tuesday + 8 * hour : -1);
    EXPECT_EQ(c.window_close, r.computed ? tuesday + 12 * hour : -1);
  }
}

}  // namespace
