// Building a cursor's stored rows: placing one fetched row's values into a
// `text_row` (merge_text), the column layout helpers and the column table print.
// The probe's binary record is built from these rows in row_record.h.
#pragma once

#include <cstdint>

struct curs;
struct columns;
struct select_desc;

// Builds one row of `cur` from the fetched values in `lda` (null for a cursor
// that runs no SQL: its values come from percent variables and other cursors)
// and appends it to `cur`'s row chain. `orig_type` holds the folded type code
// of each select item (null with `lda`). `work_buff` must hold sizeof_work_buff
// bytes; `run_time` is the run's 14-character time text.
// On the cursor's first row the column sources and offsets are fixed for good.
// Returns the row's text length (nonzero); 0 when the row could not be built
// (reported; where a source is missing the cursor is held).
int merge_text(char* work_buff, select_desc* lda, const int16_t* orig_type, curs* cur,
               const char* run_time);

// True when `cur`'s rows come from a fetch exit's DB data set (not from the
// internal script runner): its binding failures carry the exit's own ids.
bool rows_from_exit(const curs* cur);

// Numbers `cur`'s columns 1, 2, 3, ... in list order.
void set_col_ordinals(curs* cur);

// Lays out a column list whose values already lie in one area: each column's
// offset becomes its source address minus `base`. Returns the sum of the
// columns' fmt_len.
int row_form(columns* list, const char* base);

// Prints `cur`'s column table and clears its show_cursor flag.
void sho_cur(curs* cur);
