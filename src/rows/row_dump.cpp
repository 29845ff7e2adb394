// Dumps of stored rows and formatted records for the per-cursor traces.
#include "rows/row_dump.h"

#include <cstring>

#include "util/dump.h"
#include "util/print.h"
#include "util/trace.h"

namespace {
// Abbreviated lines render at most this many bytes (and print 80 of them).
constexpr int kAbbreviated = 199;

// The printable form of the first bytes of `data`.
const char* printable(char (&buffer)[kAbbreviated + 1], const char* data, int len) {
  return u_printable(buffer, data, len < kAbbreviated ? len : kAbbreviated);
}
}  // namespace

void proded(int row_no, const char* data, int len) {
  if (!data) return;
  if (len <= 0) len = static_cast<int>(strlen(data));
  if (row_no >= 5 && !trace_on(5)) {
    char text[kAbbreviated + 1];
    PRINT('t', "cat1609", "Abbrv dump of row %d. %.80s\n", row_no, printable(text, data, len));
    return;
  }
  PRINT('t', "cat1610", "Dump of row %d\n", row_no);
  u_print_dumpx("cat1610", data, len);
}

void dump_record(const char* cur_name, int row_no, const char* record, int len) {
  if (row_no <= 5) {
    PRINT('t', "dmk3810", "Dump of make_row result %s Row# %d\n", cur_name, row_no);
    u_print_dumpx("dmk3810", record, len);
    return;
  }
  char text[kAbbreviated + 1];
  PRINT('t', "dmk3811", "Abbrv dump of make_row result Row#%d. %.80s\n", row_no,
        printable(text, record, len));
}

void dump_result_record(const char* cur_name, const char* record, int len) {
  PRINT('t', "dmk3810", "Dump of make_row result Row# 1 %s\n", cur_name);
  u_print_dumpx("dmk3810", record, len);
}
