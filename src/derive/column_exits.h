// Column exits: built-in routines that rewrite one column of a freshly built
// row (justification, substring, concatenation, elapsed minutes, time stamps).
// The edit (edit_col_exits, derived_columns.h) binds each column's chain of
// exits; the driver runs the chain.
#pragma once

struct curs;
struct columns;
struct cxl_ptr;

// Runs the exits of `col` from `first` on in order over the row `text` and
// stops at the first that fails. Returns that exit's result, or 0 when all
// succeeded. The row keeps whatever the exits wrote.
int column_exit_driver(curs* cur, columns* col, char* text, cxl_ptr* first);

// The exit record whose routine is running (its arguments), else null.
extern cxl_ptr* col_ex_l_ptr;

// The routines, in the order of the definitions table: each rewrites the value
// at `col`'s offset in `row` (fmt_len bytes) and returns 0, or 1 on failure.
int colex_r(curs* cur, columns* col, char* row);   // R_JUSTIFY
int colex_l(curs* cur, columns* col, char* row);   // L_JUSTIFY
int colex_m(curs* cur, columns* col, char* row);   // MINUTES
int colex_s(curs* cur, columns* col, char* row);   // SUBSTR
int colex_c(curs* cur, columns* col, char* row);   // CONCAT
int colex_m2(curs* cur, columns* col, char* row);  // MINUTES2
int colex_t(curs* cur, columns* col, char* row);   // TIMESTAMP
