// Host-variable merge, base rows, in-lists and qualified columns: the SELECT
// text of a cursor receives values from other cursors' rows, and the rows of
// one cursor point at the rows of another.
#pragma once

struct curs;
struct columns;
struct select_desc;

// Start-up edits run by init_cursors: 0 on success, 1 after reporting.
[[nodiscard]] int edit_in_lists();
[[nodiscard]] int edit_bases();
[[nodiscard]] int set_qualifieds();

// Binds a column that is not a plain select item (a '%' percent variable or a
// qualified name) to its source: sets its source and indicator pointers,
// orig_type, data_type and fmt_len. Returns 0 when bound; 1 after reporting the
// failure and holding `cur`.
[[nodiscard]] int bind_other_source(curs* cur, columns* col);

// Per row, before the values are placed: points qualified columns at their
// source rows and matches base rows. 0 on success; 1 when the row cannot be
// built (reported).
[[nodiscard]] int refresh_row_sources(curs* cur, select_desc* lda);

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
