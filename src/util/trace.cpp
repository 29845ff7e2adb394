// Storage of the trace switches, the trace text reader and the trace-file
// keywords.
#include "util/trace.h"

#include <cctype>
#include <cstring>

trace_switches tracing;

void reset_trace_switches() { tracing = trace_switches{}; }

void trace_set(const char* text) {
  if (!text) return;
  if (*text == '-') ++text;
  if (*text == 'd') {
    tracing.trace_all = 1;
    tracing.trace_something = 1;
  }
  if (*text) ++text;
  for (int level = 0; level <= tracing.my_trace_all_l; ++level) {
    int value = 0;
    if (*text) {
      int c = tolower(static_cast<unsigned char>(*text++));
      if (c > 'c' && c <= 'z') value = c - 'c';
    }
    tracing.my_trace_all[level] = static_cast<int16_t>(value);
  }
}

namespace {
// True when the `length` characters at `word` spell `keyword` entirely in
// lower case or entirely in upper case.
bool spelled(const char* word, int length, const char* keyword) {
  if (static_cast<size_t>(length) != strlen(keyword)) return false;
  if (memcmp(word, keyword, length) == 0) return true;
  for (int i = 0; i < length; ++i)
    if (word[i] != toupper(static_cast<unsigned char>(keyword[i]))) return false;
  return true;
}
}  // namespace

int test_trace_word(const char* word, int length) {
  static const struct {
    const char* keyword;
    int code;
  } words[] = {{"trace", 1},     {"tracem", 2},   {"traced", 3},      {"traceall", 4},
               {"trace_all", 4}, {"show_row", 5}, {"show_cursor", 6}, {"end", 7}};
  if (!word || length <= 0) return 0;
  for (const auto& w : words)
    if (spelled(word, length, w.keyword)) return w.code;
  return 0;
}
