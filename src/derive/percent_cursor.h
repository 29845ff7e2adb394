// The percent cursor "%CURSOR": one row whose columns are the collector's
// percent variables (host, server, run time and counters, every cursor's last
// SQLCODE and the probe's parameters). Other cursors read them as columns or
// as host variables in their SELECT text.
#pragma once

#include <cstddef>

struct curs;
struct columns;

// The most bytes of one probe parameter a "%parm" column holds.
constexpr size_t kPercentParmRoom = 256;

// The percent column named `name` (case-insensitive over 50 characters), or
// null. "%machine_me" gives "%machine_me_ora" once the session's database kind
// is "ORA". A column found here is kept current for every row built from now
// on; its value is read through its `source` (a place in the percent row,
// fmt_len characters and a NUL) and lives as long as the percent cursor.
columns* find_pcnt_col(const char* name);

// Makes `len` bytes of `text` (at most kPercentParmRoom) the value of the
// "%parm" column `col` of the percent cursor; the rest of its place is
// zero-filled and its fmt_len becomes the value's length. The place never
// moves, so a column bound to it earlier reads the new value. Returns 0, or 1
// when `col` is not a parameter column of the current percent cursor.
[[nodiscard]] int set_percent_parm(columns* col, const char* text, size_t len);
