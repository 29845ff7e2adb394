// The decode clause: its records (one `decode` per decoded column holding its
// `decode_op` operations in statement order, each with its "and" conditions),
// the and-condition parser, and the condition form that iterate_where and the
// load WHERE directive share. The decode parser itself is parse_decode (clauses.h).
#pragma once

#include <cstdint>

struct curs;
struct columns;
struct in_list;

// Size of each of the two areas of a decode operation's text block.
constexpr int OPERANDLL = 256;

// Test codes (`operatr`).
enum decode_operator : int16_t {
  op_equal = 1,          // =
  op_greater = 2,        // >
  op_less = 3,           // <
  op_null = 4,           // NULL, null
  op_default = 5,        // DEFAULT, default
  op_greater_equal = 6,  // >=
  op_less_equal = 7,     // <=
  op_not_equal = 8,      // ~=
  op_search = 9,         // search, SEARCH
  op_in = 10,            // in, IN
  op_and_bits = 11,      // &
};

// Operand kinds (`operand_type`).
enum decode_operand_type : int16_t {
  operand_none = 0,
  operand_numeric = 1,
  operand_string = 2,
  operand_column = 3,
  operand_in_list = 5,  // name of an in-list, after "in"
};

// Replacement kinds (`replacement_type`).
enum decode_replacement_type : int16_t {
  replacement_numeric = 1,
  replacement_string = 2,
  replacement_column = 3,
  replacement_run = 4,  // name of a cursor to run, after the separator "run"
};

// The test shared by a decode operation and its and-conditions.
struct decode_test {
  int16_t operatr = 0;           // decode_operator
  int16_t operand_type = 0;      // decode_operand_type
  double op_num = 0.0;           // numeric operand (not set for &)
  int64_t bits = 0;              // the operand of &
  int16_t operand_ll = 0;        // operand text length
  char* operator_ = nullptr;     // the operand text's area, or none
  char operand_column[50] = {};  // operand column (or in-list) name

  // --- decode edit (derive/) ---
  columns* operand_col = nullptr;   // operand_column, bound
  curs* operand_cur = nullptr;      // the cursor holding it when the name is qualified
  in_list* operand_list = nullptr;  // the in-list of an `in` test
};

// An "and" condition of a decode operation; it tests the same column.
struct part : decode_test {
  part* next = nullptr;
  // The operand area, blank-filled: a numeric text ends at its last byte, a
  // string starts at its first. operator_ points here.
  char area[OPERANDLL] = {};
};

// One decode statement.
struct decode_op : decode_test {
  decode_op* next = nullptr;         // next operation on the same column
  int16_t replacement_type = 0;      // decode_replacement_type
  int16_t replacement_ll = 0;        // replacement text length
  char* replacement = nullptr;       // the replacement area: text_block + OPERANDLL
  char replacement_column[50] = {};  // replacement column, or the cursor to run
  part* and_parts = nullptr;         // further conditions, all of which must hold
  int32_t curslist = 0;              // set when a run replacement is scheduled
  // Blank-filled; the first OPERANDLL bytes are the operand area (operator_
  // points at its start when the operand has a text: a number ends at byte
  // 256, a string starts at byte 0), the last OPERANDLL the replacement area
  // (a number ends at byte 512, a string starts at byte 256).
  char text_block[2 * OPERANDLL] = {};

  // --- decode edit and run (derive/) ---
  columns* replacement_col = nullptr;  // replacement_column, bound
  curs* replacement_cur = nullptr;     // its cursor when the name is qualified
  curs* run_cur = nullptr;             // the cursor to run (replacement_run)
};

// The decodes of one column.
struct decode {
  decode* next = nullptr;
  decode_op* ops = nullptr;  // operations in statement order
  char column[50] = {};      // the decoded column

  // --- decode edit (derive/) ---
  columns* col = nullptr;  // the decoded column, bound
};

// Parses "OPERATOR OPERAND" of an and-condition from [pos, end) (the position
// after the word "and") and appends the `part` to the chain at `head`. Returns
// the position after the condition, or null after printing the message.
char* parse_and(part** head, char* pos, char* end);

// The replacement appended to a condition so that it reads as a decode: a
// comma and a blank string.
constexpr const char LOAD_TEXT_TAIL[] = " , ' '";

// Parses CONDITION in the decode form COLUMN OPERATOR OPERAND [and ...] (a
// blank replacement is supplied) into a chain of its own, which goes to
// `*chain`; the cursor's own decodes are left as they were. Returns 0, or 1
// after the decode message. `condition` is not changed.
int parse_condition(curs* cur, const char* condition, decode** chain);
