// Locating and opening the control files: the candidate directories from the
// settings table and the file-name prefixes of the agent's database type.
#pragma once

#include <cstdio>
#include <memory>

// An open read-only stream, closed when the holder goes.
struct file_closer {
  void operator()(FILE* f) const {
    if (f) fclose(f);
  }
};
using unique_file = std::unique_ptr<FILE, file_closer>;

// Writes the file-name prefix number `i` (0..3) into `out` (at least 8 bytes)
// and returns true, or returns false when there is no such prefix. Prefix 0 is
// the lower-cased db_type: its first three characters, or five when they are
// "zdb" (so a version suffix such as zdb11 remains). Prefix 1 is the plain
// three-letter code when prefix 0 carries a version suffix. There are no
// further prefixes: each collector of the family reads its own files.
bool u_db_type(int i, char* out);

// True when a missing file of that prefix number and base name is expected
// (a version-specific name of the proc, dict, coll or trac file, which falls
// back to the plain name) and is therefore not reported.
bool may_be_missing(int i, const char* base);

// Opens one candidate path for reading; logs uoi0025 on success, uoi0030 on
// failure while trace_all is on. The caller owns the stream.
unique_file u_openInputFile_1(const char* path);

// Opens the control file of base name `base` ("coll", "proc", "dict", "trac",
// "eval"): prefix + base + ".ctl", tried for each prefix in COLL_HOME/SERVERID/,
// COLL_HOME/SERVERID_, COLL_HOME/ and COLL_CTL_HOME/. Null when none opens.
unique_file u_openInputFile(const char* base);
