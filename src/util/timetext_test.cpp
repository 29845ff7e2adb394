// The century digit of the short time forms (the other forms show in the
// messages other tests check), and the broken-down time helpers.
#include "util/timetext.h"

#include <gtest/gtest.h>

#include "util_fixture.h"

namespace {

class TimeTextTest : public UtilTest {};

TEST_F(TimeTextTest, CenturyDigitAndLocaltime) {
  clock_.set(946684799);  // 1999-12-31 23:59:59
  char buffer[u_time_buffer_size];
  EXPECT_STREQ(u_get_time(buffer, TIME_AGENT), "0991231235959000");
  clock_.advance(1);
  EXPECT_STREQ(u_get_time(nullptr, TIME_CYY), "1000101000000");
  EXPECT_EQ(full_year(99), 1999);
  EXPECT_EQ(full_year(80), 2080);  // below 81: years since 2000
  EXPECT_EQ(full_year(2011), 2011);
  // A zero time asks for the current one and receives it back.
  time_t t = 0;
  struct tm mine;
  EXPECT_EQ(u_localtime(&t, &mine), &mine);
  EXPECT_EQ(t, 946684800);
  EXPECT_STREQ(timet2str(kNow), "2011/12/04 08:30:05");
}

}  // namespace
