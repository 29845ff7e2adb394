// Storage of the trace switches and the trace text reader. The trace-file
// keywords (test_trace_word) live with the other keyword tables in ctl/.
#include "util/trace.h"

#include <cctype>

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
