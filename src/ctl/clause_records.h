// The records that the simple cursor clauses leave on a cursor: pre-cursors,
// iterate, in-lists, bases, set_len lengths, the iterate_where condition and
// the load texts with their parsed form. Records live in cursor_arena(), start
// zeroed and hang from the cursor in statement order; cursor versions share them.
#pragma once

#include <cstdint>
#include <string>

struct curs;
struct columns;
struct decode;
struct text_row;

// pre_cursor NAME: a cursor run before this one (bound at start-up).
struct pre_cursor {
  pre_cursor* next = nullptr;
  char name[20] = {};  // cursor name, at most 19 characters
};

// iterate NAME: the cursor whose rows drive the iteration (one per cursor).
struct iterate {
  char name[20] = {};  // cursor name, at most 19 characters
};

// The text every in-list holds until its cursor has run: "( 'ZIP' )".
extern const char default_in_list[];
constexpr int32_t default_in_list_len = 9;

// in_list NAME using COLUMN: an in-list built from the values of COLUMN.
struct in_list {
  in_list* next = nullptr;
  char name[56] = {};          // in-list name, at most 55 characters
  const char* text = nullptr;  // current in-list text; default_in_list until built
  int32_t text_len = 0;        // length of text
  char column[50] = {};        // column whose values build the list
  int16_t column_len = 0;      // length of column
  std::string built;           // the text last built from the rows; text points here then
};

// base CURSOR on COLUMN -> COLUMN: rows of this cursor are matched to rows of
// the base cursor.
struct base {
  base* next = nullptr;
  char base_cursor[16] = {};  // base cursor name, at most 15 characters
  int16_t to_len = 0;         // length of to_column
  char to_column[54] = {};    // the column after "->"
  int16_t on_len = 0;         // length of on_column
  char on_column[54] = {};    // the column after "on"

  // --- bound at start-up and matched per fetched row (rows/) ---
  curs* base_cur = nullptr;     // the base cursor
  columns* base_col = nullptr;  // its column compared with this cursor's on_column item
  text_row* row = nullptr;      // base row matched for the row being built, or null
  int16_t reported = 0;         // the fallback to the last row was reported for this name
};

// set_len COLUMN LENGTH: the buffer length of a select item.
struct set_len {
  set_len* next = nullptr;
  char column[50] = {};  // select item name, unqualified, at most 49 characters
  int16_t length = 0;    // 1 to 2048
};

// iterate_where CONDITION: the condition (a decode chain) an iterated row must meet.
struct i_ptr {
  decode* where_ops = nullptr;
};

// load ...: one load statement's text, parsed after the whole file.
struct load_ptr {
  load_ptr* next = nullptr;
  std::string text;  // the statement text after the keyword
};

// One parsed load: the value of a source column of this cursor (or an
// aggregate over its rows) goes into a column of a virtual cursor.
struct lp_ptr {
  lp_ptr* next = nullptr;
  columns* source = nullptr;         // source column of this cursor
  columns* source_spec = nullptr;    // the parsed source text (prefixes and options)
  curs* target_cursor = nullptr;     // the virtual cursor receiving the value
  columns* target_column = nullptr;  // column of the target cursor
  decode* where_ops = nullptr;       // the WHERE condition
  columns* minmax_column = nullptr;  // the FROM column of this cursor
  int16_t is_min = 0;                // FROM MIN
  int16_t is_max = 0;                // FROM MAX
  int16_t is_count = 0;              // COUNT
  int16_t is_sum = 0;                // SUM
  int16_t is_average = 0;            // AVERAGE
  int16_t has_from = 0;              // a FROM directive
  int16_t has_where = 0;             // a WHERE condition
  int16_t is_max_occurance = 0;      // FROM MAX_OCCURANCE

  // --- load runs (rows/) ---
  int16_t source_set = 0;  // the source's type, offset and length were copied to source_spec
  double dbl_sum = 0.0;    // running values of one load pass
  int64_t ll_sum = 0;
  int64_t ll_count = 0;
};
