// The evaluation file: threshold tests on cursor columns for the evaluator
// process. Each eval block becomes an `e_ptr` record at the head of its
// cursor's `evals` chain.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

struct e_ptr {
  e_ptr* next = nullptr;     // next evaluation of the same cursor (older)
  char eval_name[36] = {};   // evaluation name, at most 35 characters
  char cursor_name[9] = {};  // the cursor evaluated, at most 8 characters
  int32_t op_lt = 0;         // the comparison includes "less"
  int32_t op_eq = 0;         // ... "equal"
  int32_t op_gt = 0;         // ... "greater"
  int16_t column_len = 0;    // length of column
  char column[33] = {};      // the column tested, at most 32 characters
  int32_t value_type = 0;    // 1 numeric, 2 character
  double value = 0;          // numeric threshold
  int16_t value_len = 0;     // length of value_text
  std::string value_text;    // threshold as written, without surrounding quotes
  int32_t col_funct = 0;     // 1 MIN 2 MAX 3 AVG 4 WAVG 5 TREND 6 SUM 7 HW 8 LW 9 COUNT
  int32_t ordinal = 0;       // 1-based position of the eval block in the file

  // --- evaluator state (rows/) ---
  int32_t eval_result = 0;  // the evaluation matched in this pass
  int32_t prev_result = 0;  // ... in the pass before
  int32_t false_row = -1;   // entry of this pass's predicate rows that did not match; -1 none
};

// Finds and parses the eval file. Returns 0 on success, 1 after reporting.
[[nodiscard]] int parse_eval();

// Parses the eval file from an open stream (borrowed); parse_eval
// finds the file (a missing one is a failure). The records live in the cursor
// arena. Returns 0 on success, 1 after reporting.
[[nodiscard]] int parse_eval_stream(FILE* in);
