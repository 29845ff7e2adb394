// The stored row `text_row` and the operations on a cursor's row chain: making
// a row, appending it, dropping the oldest or any row, and freeing the chain.
// Row placement, retention, iteration and age-to copies all go through these,
// so the chain's tail, last row and count stay consistent.
#pragma once

#include <cstdint>

struct curs;

// One stored row: a header, then the text of every column at its offset, each
// value followed by a NUL, and a final NUL. Allocated by alloc_text_row only.
struct text_row {
  text_row* next;     // next row of the cursor, null at the end of the chain
  int32_t dummy_len;  // text length of a dummy last row; 0 for merged rows
  int32_t age;        // seconds; 0 when made, advanced by time-based retention
  int16_t sample_no;  // the cursor's sample counter when the row was made
  int16_t row_no;     // the row's number within its sample, from 1

  char* text() { return reinterpret_cast<char*>(this + 1); }
  const char* text() const { return reinterpret_cast<const char*>(this + 1); }
};

// Returns a zero-filled row with room for `len` bytes of text, its NUL and two
// spare bytes, or null when memory is short. `len` must not be negative. The
// caller owns the row until it is appended to a chain; free it with
// free_text_row.
text_row* alloc_text_row(int32_t len);

// Frees a row made by alloc_text_row (null is ignored).
void free_text_row(text_row* row);

// Appends `row` (owned by the chain from now on) to the end of `cur`'s chain,
// makes it the last row and the current row, and counts it.
void append_row(curs* cur, text_row* row);

// Unlinks `row` from `cur`'s chain and frees it; `prev` is the row before it
// (null when `row` is the first). The current row moves to the last row when it
// was the one removed.
void remove_row(curs* cur, text_row* prev, text_row* row);

// Removes and frees the oldest row of `cur`; nothing when the chain is empty.
void drop_first_row(curs* cur);

// Frees every row of `cur`: the chain becomes empty and the count 0. A chain
// that `cur` shares with its age-to copy (or source) is left to that cursor.
// remove_row and drop_first_row edit a shared chain for both holders.
void free_all_rows(curs* cur);

// Frees the rows (and column-function summary rows) of every cursor on the
// cursor chain, and the rows of the percent cursor
// (end of process; tests reset with it before the definitions are released).
void release_all_rows();
