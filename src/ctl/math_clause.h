// The math clause's records: one `m_anch` per math statement (its options and
// the expression's words as `math_in` records) with the work cells that the
// evaluation reuses for every row. The parser is parse_math (clauses.h).
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

struct curs;
struct columns;

// Kinds of expression words (`word_type`).
enum math_word_type : int16_t {
  math_name = 1,
  math_left_paren = 2,
  math_right_paren = 3,
  math_constant = 4,
  math_add = 5,
  math_subtract = 6,
  math_multiply = 7,
  math_divide = 8,
};

// One word of a math expression.
struct math_in {
  math_in* next = nullptr;
  char text[50] = {};             // the word as written, at most 49 characters
  int16_t word_type = 0;          // math_word_type
  double value = 0.0;             // the value of a constant
  curs* ref_cursor = nullptr;     // for a name of another cursor: that cursor (math edit)
  columns* ref_column = nullptr;  // for a name: the column it refers to (math edit)
};

// One evaluation cell: a word's kind (0 once consumed) and value.
struct math_cell {
  double value = 0.0;
  int16_t kind = 0;
};

// The evaluation of a statement laid out once by the math edit: the order of
// operations depends on the kinds of the words alone, so a row only reads its
// names and runs the steps.
struct math_plan {
  struct step {
    int16_t into, left, right, op;  // cell[into] = cell[left] op cell[right]; left < 0: 0.0
  };
  std::vector<std::pair<int, double>> constants;  // the constants' cells and values
  std::vector<double> work;                       // the cells of the row being evaluated
  std::vector<const math_in*> names;              // the name words in order
  std::vector<int16_t> name_cells;                // their cells
  std::vector<step> steps;                        // the operations in order
  int16_t answer = -1;                            // the cell holding the answer; -1: none is left
  bool ready = false;                             // laid out for the words as bound
};

// One math statement.
struct m_anch {
  m_anch* next = nullptr;
  math_in* words = nullptr;     // the expression words in order
  char name[50] = {};           // the column receiving the result
  int16_t word_count = 0;       // number of expression words
  int16_t paren_count = 0;      // number of left parentheses
  std::vector<math_cell> math;  // one cell per word, reused by every evaluation
  int16_t decimal = 0;          // decimal places (the parser's default 2)
  int16_t round = 0;            // 1 (the parser's default) rounds, 0 after "noround"
  double round_add = 0.0;       // 0.5 / 10^decimal when rounding, else 0.0
  int16_t high_low = 0;         // 0, 1 after "high", 2 after "low"
  double initial = 0.0;         // value before any evaluation
  double mark = 0.0;            // last answer of a high or low definition (evaluation)
  int16_t mark_set = 0;         // 1 once mark holds an answer (evaluation)
  math_plan plan;               // the evaluation laid out (math edit)
};

// 0.5 divided by 10 `decimal` times, or 0.0 when not rounding.
double math_round_add(int16_t decimal, int16_t round);
