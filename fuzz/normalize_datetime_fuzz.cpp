// Feeds arbitrary bytes to the date-time normaliser, with an explicit length
// and as a terminated text, and checks the shape of every result: a timestamp
// of digits, 16 blanks, or the error text of the number returned.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "util/datetime.h"

namespace {
void check(int rc, const char* out) {
  if (rc == 0) {
    bool blanks = true, digits = true;
    for (int i = 0; i < kAgentTimestampSize; ++i) {
      blanks = blanks && out[i] == ' ';
      digits = digits && out[i] >= '0' && out[i] <= '9';
    }
    if (!blanks && !digits) __builtin_trap();
    return;
  }
  char expected[32];
  snprintf(expected, sizeof expected, "DateFmtErr=%-5d", rc);
  if (rc < 542 || rc > 709 || memcmp(out, expected, kAgentTimestampSize) != 0) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char out[kAgentTimestampSize];
  const char* text = reinterpret_cast<const char*>(data);
  if (size > 0) {
    int length = size > 1000 ? 1000 : static_cast<int>(size);
    check(us_normalizeDateTime(text, length, out), out);
  }
  std::string terminated(text, size);
  check(us_normalizeDateTime(terminated.c_str(), 0, out), out);
  return 0;
}
