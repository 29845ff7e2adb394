// The row chain of a cursor: allocation of stored rows and the chain edits that
// keep first row, tail, current row and row count in step.
#include "rows/row_chain.h"

#include <cstdlib>

#include "ctl/anchors.h"
#include "ctl/curs.h"
#include "ctl/cursor_versions.h"

text_row* alloc_text_row(int32_t len) {
  // The text, its closing NUL and two spare bytes follow the header, as the
  // stored layout has always been sized.
  void* mem = std::calloc(1, sizeof(text_row) + static_cast<size_t>(len) + 3);
  return static_cast<text_row*>(mem);
}

void free_text_row(text_row* row) { std::free(row); }

void append_row(curs* cur, text_row* row) {
  row->next = nullptr;
  if (cur->last_row)
    cur->last_row->next = row;
  else
    cur->first_row = row;
  cur->last_row = row;
  cur->current_row = row;
  ++cur->row_count;
}

void remove_row(curs* cur, text_row* prev, text_row* row) {
  if (prev)
    prev->next = row->next;
  else
    cur->first_row = row->next;
  if (cur->last_row == row) cur->last_row = prev;
  if (cur->current_row == row) cur->current_row = cur->last_row;
  --cur->row_count;
  cur->rows_changed = 1;
  free_text_row(row);
}

void drop_first_row(curs* cur) {
  if (cur->first_row) remove_row(cur, nullptr, cur->first_row);
}

void free_all_rows(curs* cur) {
  text_row* row = cur->first_row;
  if (row) cur->rows_changed = 1;
  while (row) {
    text_row* next = row->next;
    free_text_row(row);
    row = next;
  }
  cur->first_row = cur->last_row = cur->current_row = nullptr;
  cur->row_count = 0;
}

void release_all_rows() {
  // Versions not in their cursor's place keep the rows they had when last active.
  for (curs* cur = anchors.cur_anchor; cur; cur = cur->next) {
    for_each_version(cur, free_all_rows);
    free_text_row(cur->function_row);
    cur->function_row = nullptr;
    cur->function_len = 0;
  }
  if (anchors.percent_cursor) free_all_rows(anchors.percent_cursor);
}
