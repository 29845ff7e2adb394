// How derived columns reach the columns they name: a column of the same
// cursor, or `cursor.column` in another cursor and its versions, and the field
// such a reference reads in the row being built or in the other cursor's rows.
// The lookups are those of the host-variable merge (rows/host_merge.h).
#pragma once

#include <cstddef>

struct curs;
struct columns;

// The cursor on the cursor chain named exactly by the `len` bytes at `name`,
// or null.
curs* cursor_named(const char* name, size_t len);

// The column of `cur` whose zero-padded 50-byte name equals `name`, or null.
columns* own_column(const curs* cur, const char* name);

// Finds column `name` in `cur` or, failing that, in its other versions; among
// versions that hold it the one with the newest version time wins. Returns the
// column and sets `holder` to the cursor record holding it, or returns null.
columns* column_in_versions(curs* cur, const char* name, curs** holder);

// Resolves the column reference `text` of `cur` (its own column, a percent
// variable, or cursor.column). Returns 0 with `col` and `holder` (null for a
// column of `cur` itself), or 1 after the message naming what was not found.
int resolve_column_ref(curs* cur, const char* text, columns** col, curs** holder);

// The cursor that `cur` hands its rows to (its age-to cursor), or null.
curs* age_to_cursor(const curs* cur);

// True when some cursor hands its rows to `target`.
bool is_age_to_copy(const curs* target);

// The field of `col` that a row of `cur` reads from `holder`: in the row
// matched through `cur`'s bases, else in `holder`'s newest row. Null when
// `holder` has no rows.
const char* other_cursor_field(curs* cur, curs* holder, const columns* col);

// The run's time stamp: its 14-digit time text followed by "00", kept for the
// row being built (set before the derived columns of each row).
void set_fetch_time_stamp(const char* run_time);
const char* fetch_time_stamp();
