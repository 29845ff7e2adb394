// The expression interpreter: evaluates an RPN list against the current data
// (columns of the current cursor's current row or of other cursors, percent
// variables, working variables, constants). Every value is kept as text and,
// when numeric, as a number. Work variables come from the free list.
#pragma once

#include "expr/terms.h"

// Processing modes and row states of the internal select, read by SUM and ROW.
constexpr int16_t PM_PREPARE = 0, PM_RESET = 1, PM_EXECUTE = 2;
constexpr int16_t RS_NONE = 0, RS_FAILED = 1, RS_SAME_GROUP = 2, RS_NEW_GROUP = 3;

struct select_modes {
  int16_t proc_mode = PM_PREPARE;  // how SUM and ROW treat this evaluation
  int16_t row_status = RS_NONE;    // set by ROW: same group or a new one
};
extern select_modes select_state;

// A number's text as a term carries it: "%li" for an integer, "%lf" for a
// double (cut to 399 characters).
struct term_number_text {
  char text[400];
  size_t len;
};
term_number_text integer_text(int32_t v);
term_number_text double_text(double v);

void set_proc_mode(int16_t mode);
int16_t get_proc_mode();
void set_row_status(int16_t status);
int16_t get_row_status();

// Evaluates `rpn` (consumed: its slots are cleared and refilled; its size is
// counted first, so cleared slots do not end it). Returns the result, a work
// variable the caller releases with release_result, or null after reporting
// (also for an empty list or one without any operation).
TERM_TABLE* interpreter(lexeme* rpn);

// Evaluates a fresh copy of `rpn` (which stays intact).
TERM_TABLE* evaluate_copy(const lexeme* rpn);

// Puts a result (and its vector) back on the free list.
void release_result(TERM_TABLE* result);

// Binds a lexer term to its current value. 0, or 1 after reporting.
// `assign_target` leaves a new working variable without a data type.
int edit_arg_term(TERM_TABLE* t, bool assign_target = false);

// Converts a term's text value to a number: sets num_kind (N_INTEGER,
// N_DOUBLE, or N_NONE with value 0).
void term_str2num(TERM_TABLE* t);

// Length of `text` without trailing blanks, at least 1.
int less_blanks_len(const char* text);

// Compares two bound arguments; *cmp negative, 0 or positive. 0, or 1 after
// reporting that they are incomparable.
int compare_subr(TERM_TABLE* a, TERM_TABLE* b, int* cmp);

// The value of a numeric term as a double.
double term_number(const TERM_TABLE* t);

// A new unchained term holding a copy of `src`'s value and types.
TERM_TABLE* copy_term(const TERM_TABLE* src);

// Routines of the operation table: (arguments, count, result) -> 0 or 1.
int or_prc(TERM_TABLE** a, int n, TERM_TABLE* r);
int and_prc(TERM_TABLE** a, int n, TERM_TABLE* r);
int not_prc(TERM_TABLE** a, int n, TERM_TABLE* r);
int equ_prc(TERM_TABLE** a, int n, TERM_TABLE* r);
int nequ_prc(TERM_TABLE** a, int n, TERM_TABLE* r);
int less_prc(TERM_TABLE** a, int n, TERM_TABLE* r);
int nless_prc(TERM_TABLE** a, int n, TERM_TABLE* r);
int grt_prc(TERM_TABLE** a, int n, TERM_TABLE* r);
int ngrt_prc(TERM_TABLE** a, int n, TERM_TABLE* r);
int like_prc(TERM_TABLE** a, int n, TERM_TABLE* r);
int asgnt_prc(TERM_TABLE** a, int n, TERM_TABLE* r);
int plus_prc(TERM_TABLE** a, int n, TERM_TABLE* r);
int minus_prc(TERM_TABLE** a, int n, TERM_TABLE* r);
int mltpl_prc(TERM_TABLE** a, int n, TERM_TABLE* r);
int div_prc(TERM_TABLE** a, int n, TERM_TABLE* r);
int neg_prc(TERM_TABLE** a, int n, TERM_TABLE* r);
int sum_func(TERM_TABLE** a, int n, TERM_TABLE* r);
int row_func(TERM_TABLE** a, int n, TERM_TABLE* r);

// Column binding (expr_bind.cpp): binds a column term, or a name that turns
// out to be a percent variable or a column of the current cursor, and reads
// its current value. Return 0 bound, 1 failed (reported), 2 not a column.
int define_column(TERM_TABLE* t);
int refresh_column(TERM_TABLE* t);
