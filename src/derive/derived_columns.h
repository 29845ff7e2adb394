// Derived columns: math columns, decodes, column exits, iterate_where
// conditions, and the virtual and percent cursors. The start-up edits bind the
// clauses the cursor file gave; the row path applies them to every row built.
#pragma once

struct curs;
struct columns;
struct text_row;

// Start-up edits run by init_cursors: 0 on success, 1 after reporting the
// problems found. edit_math binds the names of the math definitions and turns
// their columns into number columns; edit_col_exits binds exit records to
// their columns.
[[nodiscard]] int create_percent_cursor();
[[nodiscard]] int init_virtuals();
[[nodiscard]] int edit_decode();
[[nodiscard]] int edit_math();
[[nodiscard]] int edit_col_exits();
[[nodiscard]] int edit_iterate_where();

// Refreshes the percent variables of the row about to be built for `cur`: the
// fetch time stamp from `run_time` (14 characters) and the run counters.
void refresh_percent_values(curs* cur, const char* run_time);

// True when `col` is computed by a math definition and takes no source.
bool is_math_column(const curs* cur, const columns* col);

// Computes math columns, decodes and column exits, in that order, over the
// assembled row text of `cur`.
void apply_derived_columns(curs* cur, char* text);

// True when `row` meets the iterate_where condition of `cur`.
bool iterate_where_holds(curs* cur, const text_row* row);

// Hands the row path the steps above (start-up calls this once).
void register_derived_columns();
