// The stored row `text_row` and the operations on a cursor's row chain: making
// a row, appending it, dropping the oldest or any row, and freeing the chain.
// Row placement, retention, iteration and age-to copies all go through these,
// so the chain's tail, last row and count stay consistent.
//
// Rows live in blocks. The rows a cursor makes for one sample are placed one
// after another in blocks kept for that cursor and sample (a row too large for
// a block gets one of its own); each block counts its live rows and goes back
// to the heap when the last of them is freed. A stored row takes its text, its
// closing NUL and the header, rounded up to 8 bytes: at most 32 bytes more
// than its text.
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
  uint32_t place;     // the row's distance from the start of its block

  char* text() { return reinterpret_cast<char*>(this + 1); }
  const char* text() const { return reinterpret_cast<const char*>(this + 1); }
};

static_assert(sizeof(text_row) == 24, "a stored row's header is 24 bytes");

// Returns a row in a block of its own with room for `len` bytes of text and
// its NUL, all zero, or null when memory is short. `len` must not be negative.
// For rows kept apart from any sample (summary rows, the rows of virtual
// cursors). The caller owns the row until it is appended to a chain; free it
// with free_text_row.
text_row* alloc_text_row(int32_t len);

// Returns a row for `cur`'s current sample (cur->sample_no), placed next to
// the cursor's other rows of that sample, or null when memory is short. Only
// the header and the NUL after the `len` bytes of text are set: the caller
// writes the text. Owned and freed as a row of alloc_text_row.
text_row* alloc_sample_row(curs* cur, int32_t len);

// Frees a row made by alloc_text_row or alloc_sample_row (null is ignored).
void free_text_row(text_row* row);

// The blocks holding rows (or kept to place a cursor's next rows) and their
// bytes, headers and unused room included; and the blocks made so far.
struct row_store_usage {
  int64_t blocks;
  int64_t bytes;
  int64_t made;
};
row_store_usage row_store_in_use();

// Appends `row` (owned by the chain from now on) to the end of `cur`'s chain,
// makes it the last row and the current row, and counts it.
void append_row(curs* cur, text_row* row);

// Unlinks `row` from `cur`'s chain and frees it; `prev` is the row before it
// (null when `row` is the first). The current row moves to the last row when it
// was the one removed.
void remove_row(curs* cur, text_row* prev, text_row* row);

// Unlinks and frees every row of `cur` for which `expired(row, context)` holds,
// in one pass that keeps the chain's order; the current row moves to the last
// row when it was removed, and a chain shared with an age-to copy is edited
// for both holders. With `by_sample` the answer depends on the row's sample
// alone: the rows placed with a row go or stay with it unasked.
void remove_rows_if(curs* cur, bool (*expired)(text_row* row, void* context), void* context,
                    bool by_sample);

// Removes and frees the oldest row of `cur`; nothing when the chain is empty.
void drop_first_row(curs* cur);

// Frees every row of `cur`: the chain becomes empty and the count 0. A chain
// that `cur` shares with its age-to copy (or source) is left to that cursor.
// remove_row and drop_first_row edit a shared chain for both holders.
void free_all_rows(curs* cur);

// Frees the rows (and column-function summary rows) of every cursor on the
// cursor chain, and the rows of the percent cursor, and lets go of the blocks
// kept for cursors' next rows
// (end of process; tests reset with it before the definitions are released).
void release_all_rows();
