// Day numbers against the calendar and relative seconds.
#include "util/reltime.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "util_fixture.h"

namespace {

std::string text_of(std::chrono::year_month_day ymd) {
  char text[16];
  snprintf(text, sizeof text, "%04d%02u%02u", static_cast<int>(ymd.year()),
           static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
  return text;
}

TEST(DayNumbers, RoundTripEveryDayFrom1992To2100) {
  using namespace std::chrono;
  const sys_days first = 1992y / March / 1, last = 2100y / December / 31;
  const sys_days phantom_after = 2100y / February / 28;  // the counting year has a 29 Feb 2100
  int32_t previous = 0;
  int checked = 0;
  for (sys_days day = first; day <= last; day += days{1}) {
    std::string text = text_of(year_month_day{day});
    int32_t number = relative_date(text.c_str());
    char back[16];
    ASSERT_EQ(real_date(back, number), text) << number;
    ASSERT_EQ(number - previous, day == phantom_after + days{1} ? 2 : 1) << text;
    if (day <= phantom_after) {
      // weekday: 0 Saturday, 1 Sunday, 2..6 Monday to Friday
      unsigned iso = weekday{day}.c_encoding();  // 0 Sunday .. 6 Saturday
      ASSERT_EQ(number % 7, static_cast<int32_t>((iso + 1) % 7)) << text;
    }
    previous = number;
    ++checked;
  }
  EXPECT_EQ(checked, 39752);
  EXPECT_EQ(previous, 39753);
}

// Rows of tests/data/util/time_texts.txt; relative seconds read back as their text.
TEST(DayNumbers, KnownDaysSecondsAndHours) {
  for (const auto& row : data_rows("util/time_texts.txt", 3)) {
    SCOPED_TRACE(row[0] + " " + row[1]);
    int64_t want = std::stoll(row[2]);
    char back[16];
    if (row[0] == "relative_date") {
      EXPECT_EQ(relative_date(row[1].c_str()), want);
    } else if (row[0] == "relative_sec") {
      EXPECT_EQ(relative_sec(row[1].c_str()), want);
      EXPECT_EQ(secs_to_date(back, want), row[1]);
    } else {
      EXPECT_EQ(secs_to_hour(std::stoi(row[1])), want);
    }
  }
}

}  // namespace
