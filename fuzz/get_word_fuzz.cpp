// Feeds arbitrary bytes, as one statement in the statement buffer, through the
// tokeniser and the script-parameter splitter until they report the end.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ctl/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > statement_max_text) size = statement_max_text;
  reset_reader_state();
  memcpy(reader.buffer, data, size);
  memcpy(reader.buffer + size, "    ", 4);
  reader.buffer[size + 4] = 0;
  char* end = reader.buffer + size + 4;
  for (char* at = reader.buffer;;) {
    int n = get_word(at, end);
    if (n <= 0) break;
    if (reader.parse_word.len < 0 || reader.parse_word.str + reader.parse_word.len > end)
      __builtin_trap();
    at += n;
  }
  memcpy(reader.buffer, data, size);
  reader.buffer[size] = 0;
  for (char* at = reader.buffer;;) {
    int n = simple_get_word(at, reader.buffer + size);
    if (n <= 0) break;
    at += n;
  }
  return 0;
}
