// Column exits: the program's fixed table of exit definitions (`col_exits`) and
// the record of one column_exit statement (`cxl_ptr`). Exits of one column are
// chained through `same_column` behind the first exit of that column, which
// alone stands on the cursor's `col_exits` chain. The parser is parse_col_ex
// (clauses.h).
#pragma once

#include <cstdint>

struct curs;
struct columns;
class clause_words;

// Argument kinds of an exit definition.
enum col_ex_kind : int16_t {
  col_ex_no_args = 0,    // nothing after the name
  col_ex_start_len = 1,  // ( start , length )
  col_ex_column = 3,     // a second column name
};

// One exit definition: its two accepted spellings and argument kind. The
// routines themselves belong to the derived columns, which run them by the
// definition's position in the table.
struct col_ex_def {
  const char* upper;  // e.g. "SUBSTR"
  const char* lower;  // e.g. "substr"
  int16_t kind;       // col_ex_kind
};

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
  const col_ex_def* routine = nullptr;  // the exit's definition
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
