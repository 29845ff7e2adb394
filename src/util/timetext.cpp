// Local-time texts of the current moment and the broken-down time helpers.
#include "util/timetext.h"

#include <cstdio>

#include "util/clock.h"

char* u_get_time(char* buffer, int form) {
  static char own[u_time_buffer_size];
  char* out = buffer ? buffer : own;
  time_t now = clock_time();
  struct tm tm;
  localtime_r(&now, &tm);
  int year = full_year(tm.tm_year);
  int cyy = year - 1900;
  int month = tm.tm_mon + 1;
  switch (form) {
    case TIME_SLASHED:
      snprintf(out, u_time_buffer_size, "%04d/%02d/%02d %02d:%02d:%02d", year, month, tm.tm_mday,
               tm.tm_hour, tm.tm_min, tm.tm_sec);
      break;
    case TIME_LONG:
      if (strftime(out, u_time_buffer_size, "%c", &tm) == 0) out[0] = '\0';
      break;
    case TIME_CYY:
      snprintf(out, u_time_buffer_size, "%03d%02d%02d%02d%02d%02d", cyy, month, tm.tm_mday,
               tm.tm_hour, tm.tm_min, tm.tm_sec);
      break;
    case TIME_AGENT:
      // The agent timestamp carries milliseconds; the collector's times are whole seconds.
      snprintf(out, u_time_buffer_size, "%03d%02d%02d%02d%02d%02d%03d", cyy, month, tm.tm_mday,
               tm.tm_hour, tm.tm_min, tm.tm_sec, 0);
      break;
    default:
      snprintf(out, u_time_buffer_size, "%04d%02d%02d%02d%02d%02d", year, month, tm.tm_mday,
               tm.tm_hour, tm.tm_min, tm.tm_sec);
      break;
  }
  return out;
}

struct tm* u_localtime(time_t* loc, struct tm* out) {
  static struct tm own;
  struct tm* result = out ? out : &own;
  time_t t = loc ? *loc : 0;
  if (t == 0) {
    t = clock_time();
    if (loc) *loc = t;
  }
  localtime_r(&t, result);
  return result;
}

const char* timet2str(time_t t) {
  static char text[20];
  struct tm tm;
  localtime_r(&t, &tm);
  if (strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &tm) == 0) text[0] = '\0';
  return text;
}
