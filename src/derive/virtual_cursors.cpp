// Virtual cursors: no SQL of their own, one row laid out from the dictionary
// and filled with its initial values; the cursor SERVSTAT publishes its SQLRC
// column as the place where database failures are reported.
#include <cstring>

#include "ctl/anchors.h"
#include "ctl/curs.h"
#include "ctl/dict.h"
#include "derive/derived_columns.h"
#include "rows/database.h"
#include "rows/row_chain.h"
#include "util/print.h"
#include "util/trace.h"

namespace {

// The indicator of a value that is always present.
const int16_t kPresent = 0;

constexpr int kMinStatusLen = 6;

// The dictionary entry named by `col`: the column's name followed by a blank
// or the end of the entry's name.
const d_ptr* dict_entry(const columns* col) {
  size_t len = strnlen(col->name, sizeof col->name);
  if (len == 0 || len >= sizeof d_ptr::name) return nullptr;
  for (const d_ptr* d = dictionary.dict_anchor; d; d = d->next)
    if (strncmp(d->name, col->name, len) == 0 && (d->name[len] == ' ' || d->name[len] == '\0'))
      return d;
  return nullptr;
}

bool named(const curs* c, const char* upper, const char* lower) {
  return strcmp(c->cur_name, upper) == 0 || strcmp(c->cur_name, lower) == 0;
}

// Writes the entry's initial value into `place` (`len` bytes and a NUL).
void place_initial(char* place, size_t len, const d_ptr* d) {
  memset(place, ' ', len);
  place[len] = '\0';
  size_t n = d->initial.size() < len ? d->initial.size() : len;
  // A numeric entry's value ends at the last position.
  memcpy(d->num_type == 2 ? place + len - n : place, d->initial.data(), n);
}

// Returns 1 only when memory is short: a column without an entry is reported
// and keeps offset and length 0.
int init_virtual(curs* cur) {
  cur->demand = 1;
  cur->interval = 0;
  const bool servstat = named(cur, "SERVSTAT", "servstat");
  int32_t sum = 0;
  for (const columns* col = cur->column_list; col; col = col->next) {
    if (const d_ptr* d = dict_entry(col)) {
      sum += d->length + 1;
    } else {
      PRINT('e', "pvt2185", "Host var not matched: %s.%s (%d)\n", cur->cur_name, col->name,
            static_cast<int>(strnlen(col->name, sizeof col->name)));
    }
  }
  // A SERVSTAT row being replaced no longer takes the status text.
  if (servstat) {
    db_state.servstatus = nullptr;
    db_state.servstatus_len = 0;
  }
  free_all_rows(cur);
  text_row* row = alloc_text_row(sum + 1);
  if (!row) return 1;
  row->sample_no = 1;
  row->row_no = 1;
  append_row(cur, row);
  cur->sample_no = 1;
  cur->length = sum;
  cur->cols_resolved = 1;

  int32_t at = 0;
  for (columns* col = cur->column_list; col; col = col->next) {
    const d_ptr* d = dict_entry(col);
    if (!d) continue;
    char* place = row->text() + at;
    col->offset = at;
    col->source = place;
    col->indicator = &kPresent;
    col->fmt_len = col->db_len = d->length;
    col->orig_type = d->num_type == 2 ? 2 : 1;
    col->data_type = 1;
    at += d->length + 1;
    if (servstat && (strcmp(col->name, "SQLRC") == 0 || strcmp(col->name, "sqlrc") == 0)) {
      if (d->length >= kMinStatusLen) {
        db_state.servstatus = place;
        db_state.servstatus_len = d->length;
      } else {
        PRINT('w', "pvt2190", "SQLRC in SERVSTAT is too short at %d (at least 6)\n", d->length);
      }
    }
    if (d->has_initial) {
      place_initial(place, static_cast<size_t>(d->length), d);
      if (tracing.trace_all)
        PRINT('i', "pvt2195", " Init %s.%s = '%s'\n", cur->cur_name, col->name, place);
    }
  }
  return 0;
}

}  // namespace

int init_virtuals() {
  int failed = 0;
  for (curs* c = anchors.cur_anchor; c; c = c->next)
    if (c->virtual_ && init_virtual(c)) failed = 1;
  return failed;
}
