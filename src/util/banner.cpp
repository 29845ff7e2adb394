// Opening the print file at start-up and writing the banner with the version
// header of every module.
#include "util/banner.h"

#include <cstdio>
#include <cstring>

#include "util/outfile.h"
#include "util/print.h"
#include "util/timetext.h"

const char kProductName[] = "collector";
const char kProductVersion[] = "1.0.0";
const char kProductDate[] = "05 Dec 2026";

namespace {
// The build's compile day, month and year ("05 Dec 2026") from __DATE__
// ("Dec  5 2026").
const char* compile_date() {
  static char text[16];
  const char* date = __DATE__;
  int day = (date[4] == ' ' ? 0 : date[4] - '0') * 10 + (date[5] - '0');
  snprintf(text, sizeof text, "%02d %.3s %.4s", day, date, date + 7);
  return text;
}

// Every module is built from this tree at once, so each carries the product's
// revision and date and the build's compile time.
const char* const kModules[] = {"driver", "ctl",  "rows", "derive",   "exits",
                                "expr",   "comm", "util", "platform", nullptr};
}  // namespace

void format_version_header(const char* text, char* out, size_t size) {
  char fields[12][104] = {};
  int count = 0;
  const char* p = text;
  while (count < 12) {
    p += strspn(p, " \t");
    if (!*p) break;
    size_t len = count == 11 ? strcspn(p, "\n") : strcspn(p, " \t");
    while (count == 11 && len > 0 && (p[len - 1] == ' ' || p[len - 1] == '\t')) --len;
    snprintf(fields[count++], sizeof fields[0], "%.*s", static_cast<int>(len), p);
    p += len;
  }
  auto f = [&](int i) { return fields[i]; };
  if (count == 12) {
    snprintf(out, size, "%-12.12s %8.8s %2.2s%3.3s%4.4s %8.8s %6.6s %2.2s%3.3s%4.4s %8.8s %.66s",
             f(0), f(1), f(2), f(3), f(4), f(5), f(6), f(7), f(8), f(9), f(10), f(11));
  } else if (count == 11) {
    snprintf(out, size, "%-12.12s %8.8s %2.2s%3.3s%4.4s %8.8s %6.6s %2.2s%3.3s%4.4s %8.8s", f(0),
             f(1), f(2), f(3), f(4), f(5), f(6), f(7), f(8), f(9), f(10));
  } else if (count >= 7) {
    snprintf(out, size, "%-12.12s %8.8s %2.2s%3.3s%4.4s %8.8s %6.6s", f(0), f(1), f(2), f(3), f(4),
             f(5), f(6));
  } else {
    snprintf(out, size, "%.100s", text);
  }
}

const char* const* module_version_headers() {
  static char texts[sizeof kModules / sizeof kModules[0]][160];
  static const char* headers[sizeof kModules / sizeof kModules[0]];
  for (size_t i = 0; kModules[i]; ++i) {
    snprintf(texts[i], sizeof texts[i], "%s %s %s --:--:-- coll %s %s %s-%s", kModules[i],
             kProductVersion, kProductDate, compile_date(), __TIME__, kProductName,
             kProductVersion);
    headers[i] = texts[i];
  }
  headers[sizeof kModules / sizeof kModules[0] - 1] = nullptr;
  return headers;
}

void init_PRINT() {
  if (!print_stream() && !u_openPRINTfile(nullptr))
    PRINT('e', "cat2014", "'.out' open error all messages will go to stdout\n");
  write_banner();
}

void write_banner() {
  PRINT('a', "cat2015", "%s - data collector of the database monitoring agent\n", kProductName);
  PRINT('a', "cat2020", "Version %s of %s\n", kProductVersion, kProductDate);
  PRINT('a', "cat2025", "Runs named SQL cursors on schedules and serves their rows to the probe\n");
  PRINT('a', "cat2030", "Messages: this file; copies of errors: col.log\n");
  char now[u_time_buffer_size];
  PRINT('a', "cat2035", "Time = %s\n", u_get_time(now, TIME_SLASHED));
  char line[200];
  for (const char* const* h = module_version_headers(); *h; ++h) {
    format_version_header(*h, line, sizeof line);
    PRINT('a', "ush0100", "%s\n", line);
  }
}
