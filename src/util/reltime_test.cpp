// Day numbers against the calendar, relative seconds and the current-time
// texts of the scheduler.
#include "util/reltime.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "util/util_test_fixture.h"

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

TEST(DayNumbers, KnownDaysAndTextForms) {
  const std::pair<const char*, int32_t> rows[] = {
      {"19920301", 1},           // day 1
      {"20111204083005", 7218},  // only the first 8 digits count
      {"00111204", 7218},        // a two-digit year below 81 is 20YY
      {"00991231", 2862},        // ... and from 81 on 19YY
  };
  for (auto [text, day] : rows) EXPECT_EQ(relative_date(text), day) << text;
}

TEST(RelativeSeconds, ToAndFromTimeTexts) {
  const std::pair<const char*, rel_secs> rows[] = {
      {"19920301000000", 86400},                   // start of day 1
      {"20111204235959", 7218LL * 86400 + 86399},  // last second of a day
      {"20600101000000", 24778LL * 86400},         // past 2^31 seconds
  };
  for (auto [text, secs] : rows) {
    EXPECT_EQ(relative_sec(text), secs) << text;
    char back[16];
    EXPECT_STREQ(secs_to_date(back, secs), text);
  }
  const std::pair<int32_t, int32_t> hours[] = {
      {59, 0}, {45000, 1230}, {86399, 2359}, {86400, 2400}};
  for (auto [secs, hour] : hours) EXPECT_EQ(secs_to_hour(secs), hour) << secs;
}

class CurrentTimeTexts : public UtilTest {};

TEST_F(CurrentTimeTexts, ComeFromTheInstalledClock) {
  char text[32];
  EXPECT_STREQ(form_time(text), "2011/12/04 08:30:05");
  clock_.advance(86400 + 3600);
  EXPECT_STREQ(get_time(text), "20111205093005");
}

}  // namespace
