// The evaluator: the eval file's threshold tests over the collected rows and
// column-function rows of its cursors, sending the rows that match (and,
// with send_false, the row that ended a match) through the probe services.
#pragma once

#include <cstdint>

struct curs;
struct columns;
struct distributor;
struct e_ptr;

// Why a predicate row was selected.
constexpr int16_t REASON_MAX = 1;    // the stored row holding a matching MAX
constexpr int16_t REASON_MIN = 2;    // the stored row holding a matching MIN
constexpr int16_t REASON_MATCH = 3;  // the row (or summary row) matched
constexpr int16_t REASON_FALSE = 4;  // send_false: the row that ended a match

// One entry of a cursor's predicate rows: a copy of a stored row (kind 1) or
// of its summary row (kind 2), and whether and why an evaluation selected it.
struct pred_row {
  int16_t kind = 0;      // 1 a stored row, 2 the summary row
  int16_t selected = 0;  // an evaluation selected the entry
  int16_t reason = 0;    // REASON_*
  int16_t ordinal = 0;   // ordinal of the evaluation that selected it
  char* text = nullptr;  // the row text (length bytes and a NUL) inside the pass's block
};

// A cursor's predicate rows for one pass: every stored row, then the summary
// row. Entries and texts lie in one block, freed with the set.
struct pred_rows {
  pred_row* rows = nullptr;  // `count` entries at the start of the block
  int32_t count = 0;
  pred_rows() = default;
  pred_rows(const pred_rows&) = delete;
  pred_rows& operator=(const pred_rows&) = delete;
  ~pred_rows();
};

// 1 when operator flags of `e` hold for the column value `value` (fmt_len
// bytes of `col`) against the evaluation's constant, else 0. A HIGH_WATER or
// LOW_WATER column with a kept value compares that value instead. Number
// columns compare as numbers when the constant is numeric; otherwise bytes,
// the shorter side padded with blanks (a value's bytes after its first NUL
// count as blanks).
[[nodiscard]] int do_compare(const columns* col, const char* value, const e_ptr* e);

// Fills `out` with `cur`'s predicate rows after opening it for reading
// (probe_row_steps). Returns 0; 1 when the cursor cannot be opened; 2 when
// memory is short (reported).
[[nodiscard]] int get_predicate_rows(curs* cur, pred_rows* out);

// Runs the evaluator process `d` ("evaluator") at `time_text` over every
// cursor with evaluations whose window is open, that is not held and whose
// class `d` serves: 0, or the result of the last predicate-row build that
// failed.
[[nodiscard]] int do_evaluator(const char* time_text, distributor* d);
