// Message writers: header composition and output to the print file.
#include "util/print.h"

#include <cctype>
#include <cstring>
#include <ctime>

#include "util/trace.h"

namespace {
FILE* stder = nullptr;

int write_line(char cls, const char* id, const char* text) {
  FILE* out = stder ? stder : stdout;
  char header[50] = "";
  if (id && *id && *id != ' ') {
    time_t now = time(nullptr);
    struct tm tm;
    localtime_r(&now, &tm);
    char letter = static_cast<char>(toupper(static_cast<unsigned char>(cls)));
    snprintf(header, sizeof header, "%s%c (%02d%02d%02d) ", id, letter, tm.tm_hour, tm.tm_min,
             tm.tm_sec);
    for (char* p = header; *p; ++p) *p = static_cast<char>(toupper(static_cast<unsigned char>(*p)));
  }
  return fprintf(out, "%s%s", header, text);
}
}  // namespace

FILE* print_stream() { return stder; }

int VPRINT(char cls, const char* id, const char* fmt, va_list ap) {
  char text[4000];
  vsnprintf(text, sizeof text, fmt, ap);
  return write_line(cls, id, text);
}

int PRINT(char cls, const char* id, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int n = VPRINT(cls, id, fmt, ap);
  va_end(ap);
  return n;
}

int u_msg(const char*, const char*, int, const char* cls, const char* id, const char* fmt, ...) {
  char text[7000];
  va_list ap;
  va_start(ap, fmt);
  vsnprintf(text, sizeof text, fmt, ap);
  va_end(ap);
  size_t n = strlen(text);
  if (n == 0 || text[n - 1] != '\n') strncat(text, "\n", sizeof text - n - 1);
  return write_line(cls && *cls ? *cls : 't', id, text);
}

void init_PRINT() {}

void close_PRINT() {
  if (stder) fclose(stder);
  stder = nullptr;
}
