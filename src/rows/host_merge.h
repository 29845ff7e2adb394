// Host-variable merge, base rows, in-lists and qualified columns: the SELECT
// text of a cursor receives values from other cursors' rows, and the rows of
// one cursor point at the rows of another.
#pragma once

#include <cstddef>

struct curs;
struct columns;
struct in_list;
struct select_desc;

// Start-up edits run by init_cursors: 0 on success, 1 after reporting.
[[nodiscard]] int edit_in_lists();
[[nodiscard]] int edit_bases();
[[nodiscard]] int set_qualifieds();

// The cursor on the cursor chain named exactly `len` bytes at `name`, or null.
curs* find_cursor(const char* name, size_t len);

// Finds the column `ref` of `cur`: a position when it starts with a digit (the
// n-th column from 1; 0 counts as 1), else a name. Other versions of `cur` are
// searched when `cur` has none; the newest version holding it wins. Returns 0
// with `col` and `holder` (the cursor or version holding it), 1 when not found.
[[nodiscard]] int search_curs_vers_insert(curs* cur, const char* ref, columns** col, curs** holder);

// Resolves the column reference `text` of a derived column of `cur`: its own
// column, a percent variable, or CURSOR.COLUMN. Returns 0 with `col` and
// `holder` (null for a column of `cur` itself), or 1 after the message.
[[nodiscard]] int find_col(curs* cur, const char* text, columns** col, curs** holder);

// CURSOR.LIST: the in-list LIST of cursor CURSOR, or null after the message.
in_list* find_in_list(const char* ref);

// Binds a column that is not a plain select item (a '%' percent variable or a
// qualified name) to its source: sets its source and indicator pointers,
// orig_type, data_type and fmt_len. Returns 0 when bound; 1 after reporting the
// failure (and holding `cur` where the source is missing).
[[nodiscard]] int bind_other_source(curs* cur, columns* col);

// Per row, before the values are placed: matches base rows and points
// qualified columns at their source rows. 0 on success; 1 when the row cannot
// be built (reported).
[[nodiscard]] int refresh_row_sources(curs* cur, select_desc* lda);

// Matches every base of `cur` for the fetched row in `lda`. 0, or 1 when a
// base row is missing (reported).
[[nodiscard]] int set_bases(curs* cur, select_desc* lda);

// The address of `offset` in the base row of `src` matched for the row being
// built by `cur`, else in `src`'s last row; null when `src` has no rows.
const char* locate_base(curs* src, curs* cur, int offset);

// Writes `cur`'s insert_select text with its host variables filled into
// `statement` (room for MAX_STATEMENT characters and a NUL). Returns the text
// length, 0 when it could not be made.
[[nodiscard]] int set_hvs_in_sel(curs* cur, char* statement);

// Rebuilds the in-list texts of `cur` from its rows.
void build_in_list(curs* cur);

// Appends `cur`'s dummy last row.
void build_dummy_last_row(curs* cur);

// Lays out a dummy row for `cur`, whose run found no rows, from `lda`.
void setup_dummy(curs* cur, select_desc* lda);
