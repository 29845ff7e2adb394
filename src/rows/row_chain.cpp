// The row chain of a cursor: allocation of stored rows and the chain edits that
// keep first row, tail, current row and row count in step.
#include "rows/row_chain.h"

#include <cstdlib>

#include "ctl/anchors.h"
#include "ctl/curs.h"
#include "ctl/cursor_versions.h"

namespace {

// The other cursor holding exactly `cur`'s rows, or null: after the first
// age-to hand-over a source and its copy share one chain until the next
// hand-over. Edits of a shared chain apply to both holders and free a row once.
curs* chain_partner(const curs* cur) {
  if (!cur->first_row) return nullptr;
  if (cur->aged_copy && cur->aged_copy->first_row == cur->first_row) return cur->aged_copy;
  if (!cur->copy_marker) return nullptr;
  curs* found = nullptr;
  for (curs* c = anchors.cur_anchor; c && !found; c = c->next)
    for_each_version(c, [cur, &found](curs* v) {
      if (v->aged_copy == cur && v->first_row == cur->first_row) found = v;
    });
  return found;
}

void take_chain(curs* to, const curs* from) {
  to->first_row = from->first_row;
  to->last_row = from->last_row;
  to->current_row = from->current_row;
  to->row_count = from->row_count;
  to->rows_changed = 1;
}

}  // namespace

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
  curs* partner = chain_partner(cur);
  if (prev)
    prev->next = row->next;
  else
    cur->first_row = row->next;
  if (cur->last_row == row) cur->last_row = prev;
  if (cur->current_row == row) cur->current_row = cur->last_row;
  --cur->row_count;
  cur->rows_changed = 1;
  free_text_row(row);
  if (partner) take_chain(partner, cur);
}

void drop_first_row(curs* cur) {
  if (cur->first_row) remove_row(cur, nullptr, cur->first_row);
}

void free_all_rows(curs* cur) {
  text_row* row = cur->first_row;
  if (row) cur->rows_changed = 1;
  // A shared chain stays with the other holder.
  if (chain_partner(cur)) row = nullptr;
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
  for (curs* cur = anchors.cur_anchor; cur; cur = cur->next)
    for_each_version(cur, [](curs* v) {
      free_all_rows(v);
      free_text_row(v->function_row);
      v->function_row = v->min_max_row = nullptr;
      v->function_len = 0;
    });
  if (anchors.percent_cursor) free_all_rows(anchors.percent_cursor);
}
