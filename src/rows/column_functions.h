// Column functions: the summary row of a cursor whose columns carry MIN!,
// MAX!, AVG!, WAVG!, TREND!, SUM!, COUNT!, HW! or LW!, each function column
// computed over the stored rows and every other column taken from the last
// row (or from the row MIN! or MAX! chose).
#pragma once

#include <cstdint>

struct curs;
struct columns;

// Function codes of columns::col_funct.
constexpr int16_t FUNCT_MIN = 1;
constexpr int16_t FUNCT_MAX = 2;
constexpr int16_t FUNCT_AVG = 3;
constexpr int16_t FUNCT_WAVG = 4;
constexpr int16_t FUNCT_TREND = 5;
constexpr int16_t FUNCT_SUM = 6;
constexpr int16_t FUNCT_HIGH_WATER = 7;
constexpr int16_t FUNCT_LOW_WATER = 8;
constexpr int16_t FUNCT_COUNT = 9;

// Writes column `col`'s function over `cur`'s rows (only the newest sample's
// when the cursor keeps samples) right-aligned into the fmt_len bytes at
// `place`. A MIN or MAX sets cur->min_max_row to the row it chose. Returns 0,
// or 1 when the function cannot be computed (a numeric function over text, a
// column over 255 characters, an unknown code); then nothing may be sent.
[[nodiscard]] int col_function(curs* cur, columns* col, char* place);

// The same with function `funct` instead of the column's own (the evaluator
// computes a function the cursor does not carry).
[[nodiscard]] int col_function_as(curs* cur, columns* col, int funct, char* place);

// col_function for a column that is not a number column: MIN and MAX by bytes,
// the water marks; the numeric functions give 1.
[[nodiscard]] int col_funct_char(curs* cur, columns* col, int funct, char* place);

// Makes `cur`'s function_row when it has none or when it is shorter than the
// rows now are (a zeroed row; both new-data flags are set). Returns 0, or 1
// when memory is short. The row lives until release_all_rows.
[[nodiscard]] int make_function_row(curs* cur);

// Rebuilds `cur`'s function_row when rows arrived since it was built (the
// first new-data flag, which it clears). make_function_row first. Returns 0,
// or 1 when a function cannot be computed: the row must not be sent, and it is
// rebuilt at the next call.
[[nodiscard]] int fill_function_row(curs* cur);
