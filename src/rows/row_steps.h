// Steps of a cursor run and of row placement that other features provide:
// percent variables, qualified and base sources, derived columns, fetch exits,
// host variables, age-to copies, loads, in-lists, dummy rows and row dumps.
// Features not built yet have stand-ins in row_steps_later.cpp that do nothing.
#pragma once

#include <cstddef>

struct curs;
struct columns;
struct select_desc;

// Longest SQL text of one statement.
constexpr size_t MAX_STATEMENT = 33000;

// --- row placement ---

// Refreshes the percent variables of the row about to be built for `cur`: the
// fetch time stamp from `run_time` (14 characters) and the run counters.
void refresh_percent_values(curs* cur, const char* run_time);

// Binds a column that is not a plain select item (a '%' percent variable or a
// qualified name) to its source: sets its source and indicator pointers,
// orig_type, data_type and fmt_len. Returns 0 when bound; 1 after reporting the
// failure and holding `cur`.
int bind_other_source(curs* cur, columns* col);

// True when `col` is computed by a math definition and takes no source.
bool is_math_column(const curs* cur, const columns* col);

// Per row, before the values are placed: points qualified columns at their
// source rows and matches base rows. 0 on success; 1 when the row cannot be
// built (reported).
int refresh_row_sources(curs* cur, select_desc* lda);

// Computes math columns, decodes and column exits, in that order, over the
// assembled row text of `cur`.
void apply_derived_columns(curs* cur, char* text);

// Prints one stored row for diagnostics.
void proded(int row_no, const char* data, int len);

// --- cursor runs ---

// Runs `cur`'s fetch exit, merging the rows it delivers; `run_time` is the run's
// time text. 0 when rows were merged, 1 when the exit produced nothing.
int run_cursor_fetch_exit(curs* cur, const char* run_time);

// Writes `cur`'s insert_select text with its host variables filled into
// `statement` (room for MAX_STATEMENT characters and a NUL). Returns the text
// length, 0 when it could not be made.
int set_hvs_in_sel(curs* cur, char* statement);

// Hands `cur`'s rows over to its age-to copy.
void do_copy(curs* cur);

// Deletes every row of `cur`.
int delete_all(curs* cur);

// Fills the load targets of `cur` from the run that fetched `rows` rows.
int process_loads(curs* cur, int rows);

// Rebuilds the in-list texts of `cur` from its rows.
void build_in_list(curs* cur);

// Appends `cur`'s dummy last row.
void build_dummy_last_row(curs* cur);

// Lays out a dummy row for `cur`, whose run found no rows, from `lda`.
void setup_dummy(curs* cur, select_desc* lda);
