// Day numbers, relative seconds and 14-digit time texts. The day number uses a
// year of 365.25 days counted from March, so leap days fall at the end of the
// counting year and the arithmetic needs no tables.
#include "util/reltime.h"

#include <cstdio>

#include "util/timetext.h"

namespace {
// The value of `count` decimal digits at `text`; a non-digit counts as 0 and
// ends the field early, as a short text would.
int field(const char* text, int count) {
  int value = 0;
  for (int i = 0; i < count && text[i] >= '0' && text[i] <= '9'; ++i)
    value = value * 10 + (text[i] - '0');
  return value;
}

// Length of `text`, at most `limit`: a short text must not be read past its end.
int bounded_length(const char* text, int limit) {
  int n = 0;
  while (n < limit && text[n]) ++n;
  return n;
}

int digits_at(const char* text, int length, int at, int count) {
  return at < length ? field(text + at, count < length - at ? count : length - at) : 0;
}

// Writes `value` as exactly `width` zero-padded digits (its low-order digits
// when longer; 0 when negative, which no valid date produces).
char* put_digits(char* out, int64_t value, int width) {
  if (value < 0) value = 0;
  for (int i = width - 1; i >= 0; --i, value /= 10) out[i] = static_cast<char>('0' + value % 10);
  return out + width;
}
}  // namespace

int32_t relative_date(const char* text) {
  int length = bounded_length(text, 8);
  int64_t year = digits_at(text, length, 0, 4);
  int64_t month = digits_at(text, length, 4, 2);
  int64_t day = digits_at(text, length, 6, 2);
  if (year < 1900) year += year < 81 ? 2000 : 1900;
  if (month < 3) {
    month += 9;
    year -= 1;
  } else {
    month -= 3;
  }
  return static_cast<int32_t>((month * 306 + 5) / 10 + (year - 1992) * 36525 / 100 + day);
}

rel_secs relative_sec(const char* text) {
  int length = bounded_length(text, 14);
  return static_cast<rel_secs>(relative_date(text)) * kSecondsPerDay +
         digits_at(text, length, 8, 2) * 3600 + digits_at(text, length, 10, 2) * 60 +
         digits_at(text, length, 12, 2);
}

char* real_date(char* buffer, int32_t days) {
  int64_t rest = days;
  int64_t y = rest * 100 / 36525;
  int64_t year = y + 1992;
  rest -= y * 36525 / 100;
  int64_t m = (rest * 10 - 5) / 306;
  int64_t month = m + 3;
  if (month > 12) {
    month = m - 9;
    year = y + 1993;
  }
  int64_t day = rest - (m * 306 + 5) / 10;
  if (day == 0 && month == 3) {
    // The counting year starts on 1 March: its day 0 is the leap day.
    month = 2;
    day = 29;
  }
  char* p = put_digits(buffer, year, 4);
  p = put_digits(p, month, 2);
  put_digits(p, day, 2)[0] = '\0';
  return buffer;
}

char* secs_to_date(char* buffer, rel_secs secs) {
  if (secs < 0) secs = 0;
  int32_t days = static_cast<int32_t>(secs / kSecondsPerDay);
  int32_t rest = static_cast<int32_t>(secs % kSecondsPerDay);
  char* p = real_date(buffer, days) + 8;
  p = put_digits(p, rest / 3600, 2);
  p = put_digits(p, rest % 3600 / 60, 2);
  put_digits(p, rest % 60, 2)[0] = '\0';
  return buffer;
}

char* get_time(char* buffer) {
  char text[u_time_buffer_size];
  snprintf(buffer, 15, "%.14s", u_get_time(text, TIME_DIGITS));
  return buffer;
}

char* form_time(char* buffer) {
  char text[u_time_buffer_size];
  snprintf(buffer, 20, "%.19s", u_get_time(text, TIME_SLASHED));
  return buffer;
}

int32_t secs_to_hour(int32_t secs) { return secs / 3600 * 100 + secs % 3600 / 60; }
