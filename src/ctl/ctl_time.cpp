// Relative day and second arithmetic over the injected clock's local time.
#include "ctl/ctl_time.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/clock.h"

namespace {

int32_t day_number(int year, int month, int day) {
  if (year < 1900) year += year < 81 ? 2000 : 1900;
  if (month < 3) {
    month += 9;
    year -= 1;
  } else {
    month -= 3;
  }
  return (month * 306 + 5) / 10 + (year - 1992) * 36525 / 100 + day;
}

void day_parts(int32_t days, int* year, int* month, int* day) {
  int y = days * 100 / 36525;
  *year = y + 1992;
  days -= y * 36525 / 100;
  int m = (days * 10 - 5) / 306;
  *month = m + 3;
  if (*month > 12) {
    *month = m - 9;
    *year = y + 1993;
  }
  *day = days - (m * 306 + 5) / 10;
  if (*day == 0 && *month == 3) {
    *month = 2;
    *day = 29;
  }
}

// Formats into a scratch buffer first: the values are in range, but the
// compiler cannot prove that the text fits the caller's exact-size buffer.
template <class... Args>
void format_to(char* buf, size_t size, const char* fmt, Args... args) {
  char text[64];
  snprintf(text, sizeof text, fmt, args...);
  size_t n = strnlen(text, size - 1);
  memcpy(buf, text, n);
  buf[n] = 0;
}

int digits(const char* p, int n) {
  int v = 0;
  for (int i = 0; i < n && p[i] >= '0' && p[i] <= '9'; ++i) v = v * 10 + (p[i] - '0');
  return v;
}

}  // namespace

int32_t ctl_now_secs() {
  time_t now = clock_time();
  struct tm tm;
  localtime_r(&now, &tm);
  return day_number(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) * 86400 + tm.tm_hour * 3600 +
         tm.tm_min * 60 + tm.tm_sec;
}

int32_t ctl_day_of(const char* t) {
  return day_number(digits(t, 4), digits(t + 4, 2), digits(t + 6, 2));
}

void ctl_banner_time(char* buf) {
  time_t now = clock_time();
  struct tm tm;
  localtime_r(&now, &tm);
  format_to(buf, 20, "%04d/%02d/%02d %02d:%02d:%02d", (tm.tm_year + 1900) % 10000, tm.tm_mon + 1,
            tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

void ctl_secs_text(char* buf, int32_t secs) {
  int32_t day = secs / 86400, rest = secs % 86400;
  if (rest < 0) {
    rest += 86400;
    --day;
  }
  int y, m, d;
  day_parts(day, &y, &m, &d);
  format_to(buf, 15, "%04d%02d%02d%02d%02d%02d", y % 10000, m, d, rest / 3600, rest / 60 % 60,
            rest % 60);
}

void ctl_day_text(char* buf, int32_t day) {
  int y, m, d;
  day_parts(day, &y, &m, &d);
  format_to(buf, 9, "%04d%02d%02d", y % 10000, m, d);
}

int ctl_secs_to_hour(int32_t secs) { return secs / 3600 * 100 + secs % 3600 / 60; }
