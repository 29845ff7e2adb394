// Column exits: the program's fixed table of exit routines (`col_exits`) and
// the record of one column_exit statement (`cxl_ptr`). Exits of one column are
// chained through `same_column` behind the first exit of that column, which
// alone stands on the cursor's `col_exits` chain. The parser is parse_col_ex
// (clauses.h).
#pragma once

#include <cstdint>

struct curs;
struct columns;
class clause_words;

// An exit routine: rewrites the column's value in the row text (at the
// column's offset) and returns 0, or 1 on failure.
using col_ex_routine = int (*)(curs* cur, columns* col, char* row);

// Argument kinds of an exit definition.
enum col_ex_kind : int16_t {
  col_ex_no_args = 0,    // nothing after the name
  col_ex_start_len = 1,  // ( start , length )
  col_ex_column = 3,     // a second column name
};

// One exit definition: its two accepted spellings, argument kind and routine.
struct col_ex_def {
  const char* upper;  // e.g. "SUBSTR"
  const char* lower;  // e.g. "substr"
  int16_t kind;       // col_ex_kind
  col_ex_routine routine;
};

// The exit routines, in table order.
int colex_r(curs* cur, columns* col, char* row);   // R_JUSTIFY
int colex_l(curs* cur, columns* col, char* row);   // L_JUSTIFY
int colex_m(curs* cur, columns* col, char* row);   // MINUTES
int colex_s(curs* cur, columns* col, char* row);   // SUBSTR
int colex_c(curs* cur, columns* col, char* row);   // CONCAT
int colex_m2(curs* cur, columns* col, char* row);  // MINUTES2
int colex_t(curs* cur, columns* col, char* row);   // TIMESTAMP

// The definitions, searched in this order.
constexpr int col_ex_count = 7;
extern const col_ex_def col_exits[col_ex_count];

// One column_exit statement.
struct cxl_ptr {
  cxl_ptr* next = nullptr;              // first exit of another column
  cxl_ptr* same_column = nullptr;       // next exit of the same column, statement order
  int16_t arg1 = 0;                     // SUBSTR start, 1 to 2048
  int16_t arg2 = 0;                     // SUBSTR length, 1 to 2048
  char column[50] = {};                 // the column rewritten
  const col_ex_def* routine = nullptr;  // the exit's definition (and its routine)
  char column2[50] = {};                // CONCAT: the column appended

  // --- column-exit edit (derive/) ---
  int16_t matched = 0;               // bound to a column of the cursor
  columns* concat_column = nullptr;  // CONCAT: the column2 record
  curs* concat_cursor = nullptr;     // CONCAT: its cursor, none for this cursor
};

// Reads the arguments of definition `def` for the exit `rec` from `words`
// (after the routine name). Returns 0, or 1 after the message. Exposed so
// that every argument kind can be exercised.
int parse_col_ex_args(clause_words& words, const col_ex_def& def, cxl_ptr* rec);
