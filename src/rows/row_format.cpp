// Row placement: the column layout fixed by a cursor's first row, the copy of
// every value (or its NULL form) into the work buffer, water marks, and the
// hand-over of the finished text to the row chain.
#include "rows/row_format.h"

#include <strings.h>

#include <cstring>

#include "ctl/curs.h"
#include "ctl/fetch_exit.h"
#include "rows/dyn_sql.h"
#include "rows/host_merge.h"
#include "rows/row_chain.h"
#include "rows/row_hooks.h"
#include "rows/row_record.h"
#include "rows/select_desc.h"
#include "util/print.h"
#include "util/settings.h"
#include "util/trace.h"

namespace {

constexpr int16_t HIGH_WATER = 7;
constexpr int16_t LOW_WATER = 8;

bool trace_from(int level) {
  for (int n = level; n <= 9; ++n)
    if (trace_on(n)) return true;
  return false;
}

void bind_item(columns* col, const select_desc* lda, const int16_t* orig_type, int i) {
  col->source = lda->V[i];
  col->indicator = lda->I[i];
  col->fmt_len = static_cast<int16_t>(lda->L[i]);
  col->db_len = col->fmt_len;
  col->orig_type = orig_type ? orig_type[i] : lda->T[i];
  col->data_type = 1;
}

// The select item named like `col`, or -1. Names are compared without regard
// to letter case: databases differ in the case they report unquoted names in.
int find_item(const select_desc* lda, const columns* col) {
  size_t len = strnlen(col->name, sizeof col->name);
  for (int i = 0; i < lda->F; ++i)
    if (static_cast<size_t>(lda->C[i]) == len && strncasecmp(lda->S[i], col->name, len) == 0)
      return i;
  return -1;
}

// Fixes every column's source and offset and the cursor's text length.
// Returns 0, or 1 after reporting why a column has no source.
int resolve_columns(select_desc* lda, const int16_t* orig_type, curs* cur) {
  // Rows of a fetch exit come from its DB data set: the exit reports its own
  // column list and binding failures under its own ids.
  const bool exit_rows = rows_from_exit(cur);
  const bool exit_traced = exit_rows && (cur->trace || tracing.trace_all);
  if (lda && !exit_rows && ((cur->trace && cur->show_row) || trace_from(6))) {
    PRINT('t', "cat1540", "SQLDA columns follow for %s\n", cur->cur_name);
    for (int i = 0; i < lda->F; ++i)
      PRINT('t', "cat1545", "Col #%d= %.*s, datatype= %d datalen= %d\n", i + 1, lda->C[i],
            lda->S[i], lda->T[i], lda->L[i]);
  }
  set_col_ordinals(cur);  // numbered here too, for cursors not numbered at start-up
  int32_t pos = 0;
  if (exit_traced) PRINT('t', "cmr1541", "Looping cursor  %s 's insert_columns!\n", cur->cur_name);
  for (columns* col = cur->column_list; col; col = col->next) {
    if (col->name[0] == '%' || col->qualified) {
      if (bind_other_source(cur, col)) return 1;
    } else if (const derived_column_steps* d = derived_steps(); d && d->is_math_column(cur, col)) {
      col->source = nullptr;
      col->indicator = nullptr;
    } else if (col->occurrence > 0) {
      if (!lda) {
        if (exit_rows)
          PRINT('e', "cmr1575", "Cannot use n! addressing in NO_SQL cursor %s\n", cur->cur_name);
        else
          PRINT('e', "cat1575", "Cannot use n! addressing in NO_SQL cursor %s\n", cur->cur_name);
        cur->hold = 'Y';
        return 1;
      }
      if (col->occurrence > lda->F) {
        if (exit_rows)
          PRINT('e', "cmr1580", "Occurance (%d) exceeds number of select columns (%d)\n",
                col->occurrence, lda->F);
        else
          PRINT('e', "cat1580", "Occurance (%d) exceeds sqlda limit (%d), %s\n", col->occurrence,
                lda->F, cur->cur_name);
        return 1;
      }
      bind_item(col, lda, orig_type, col->occurrence - 1);
    } else {
      if (!lda) {
        if (exit_rows)
          PRINT('e', "cmr1585", "Name (%s) not resolved in non_sql cursor %s\n", col->name,
                cur->cur_name);
        else
          PRINT('e', "cat1585", "Name (%s) not resolved in non_sql cursor %s\n", col->name,
                cur->cur_name);
        cur->hold = 'Y';
        return 1;
      }
      int i = find_item(lda, col);
      if (i < 0) {
        if (exit_rows)
          PRINT('e', "cmr1590", "No database column found for %s.%s\n", cur->cur_name, col->name);
        else
          PRINT('e', "cat1590", "No sqlda entry found for %s.%s\n", cur->cur_name, col->name);
        return 1;
      }
      bind_item(col, lda, orig_type, i);
    }
    col->offset = pos;
    if (exit_traced)
      PRINT('t', "cmr1591", "cursor %s col %s len %d offset %d\n", cur->cur_name, col->name,
            col->fmt_len, col->offset);
    if (col->set_length == col->fmt_len) col->set_length = 0;
    pos += col->fmt_len + 1;
  }
  // The row is assembled in the work buffer, so its text must fit there.
  if (pos >= static_cast<int32_t>(sizeof_work_buff)) {
    PRINT('e', "cat1605", "Row length %d of cursor %s exceeds the work buffer (%d)\n", pos,
          cur->cur_name, static_cast<int>(sizeof_work_buff));
    cur->hold = 'Y';
    return 1;
  }
  // Nor may its record pass the widest one a probe can take.
  if (int64_t width = record_width(cur); width > MAX_ROW_RECORD) {
    PRINT('e', "cat1606", "Record length %lld of cursor %s exceeds %d bytes\n",
          static_cast<long long>(width), cur->cur_name, static_cast<int>(MAX_ROW_RECORD));
    cur->hold = 'Y';
    return 1;
  }
  cur->length = pos;
  return 0;
}

// HIGH_WATER keeps the greatest value seen, LOW_WATER the least; the row shows
// the kept value when it wins. Bytes are compared, as the values are laid out
// for sending (right-justified numbers of one length compare correctly).
void apply_water_mark(columns* col, char* place) {
  size_t len = static_cast<size_t>(col->fmt_len);
  if (!col->water_set || col->water_value.size() != len) {
    col->water_value.assign(place, place + len);
    col->water_set = 1;
    return;
  }
  int c = memcmp(col->water_value.data(), place, len);
  if (col->col_funct == HIGH_WATER ? c >= 0 : c <= 0)
    memcpy(place, col->water_value.data(), len);
  else
    memcpy(col->water_value.data(), place, len);
}

void place_value(columns* col, char* place) {
  size_t len = static_cast<size_t>(col->fmt_len);
  if (!col->source) {  // computed later over the assembled row
    memset(place, ' ', len);
  } else if (!col->indicator || *col->indicator >= 0) {
    memcpy(place, col->source, len);
    place[len] = '\0';
    if (col->col_funct == HIGH_WATER || col->col_funct == LOW_WATER) apply_water_mark(col, place);
    return;
  } else {
    memset(place, ' ', len);
    if (col->orig_type == 2) {
      if (len > 0) place[len - 1] = '0';
    } else {
      memcpy(place, "NULL", len < 4 ? len : 4);
    }
  }
  place[len] = '\0';
}

}  // namespace

int merge_text(char* work_buff, select_desc* lda, const int16_t* orig_type, curs* cur,
               const char* run_time) {
  const derived_column_steps* derived = derived_steps();
  if (derived) derived->refresh_percent_values(cur, run_time);
  if (cur->bases && !lda) {
    if (rows_from_exit(cur))
      PRINT('e', "cmr1535", "Cannot use BASE in non_sql cursor %s\n", cur->cur_name);
    else
      PRINT('e', "cba1535", "Cannot use BASE in non_sql cursor %s\n", cur->cur_name);
    cur->hold = 'Y';
    return 0;
  }
  if (!cur->cols_resolved && resolve_columns(lda, orig_type, cur)) return 0;
  if (refresh_row_sources(cur, lda)) return 0;
  for (columns* col = cur->column_list; col; col = col->next)
    place_value(col, work_buff + col->offset);
  if (derived) derived->apply_derived_columns(cur, work_buff);

  text_row* row = alloc_sample_row(cur, cur->length);
  if (!row) return 0;
  memcpy(row->text(), work_buff, static_cast<size_t>(cur->length));
  row->sample_no = static_cast<int16_t>(cur->sample_no);
  row->row_no = static_cast<int16_t>(cur->rows_this_run);
  append_row(cur, row);
  cur->new_data = 1;
  cur->new_data_eval = 1;
  cur->history_pending = 1;
  if (cur->limit > 0 && cur->row_count > cur->limit) drop_first_row(cur);
  if (cur->show_cursor) sho_cur(cur);
  cur->cols_resolved = 1;
  return cur->length;
}

bool rows_from_exit(const curs* cur) {
  return cur->fetch_exit && cur->fetch_exit->output_format != 9;
}

void set_col_ordinals(curs* cur) {
  int16_t n = 0;
  for (columns* col = cur->column_list; col; col = col->next) col->col_ordinal = ++n;
}

int row_form(columns* list, const char* base) {
  int sum = 0;
  for (columns* col = list; col; col = col->next) {
    col->offset = static_cast<int32_t>(col->source - base);
    sum += col->fmt_len;
  }
  return sum;
}

namespace {

const char* type_name(int16_t orig_type) {
  switch (orig_type) {
    case 1:
      return "Char";
    case 2:
      return "Number";
    case 8:
      return "Long";
    case 11:
      return "RowId";
    case 12:
      return "Date";
    case 23:
      return "Raw";
    case 24:
      return "Char";
    default:
      return "???";
  }
}

}  // namespace

void sho_cur(curs* cur) {
  cur->show_cursor = 0;
  PRINT('i', "csc1900", "Curs= %s , host table= %s\n", cur->cur_name, cur->table_name.c_str());
  if (trace_on(6)) {
    if (cur->raw_has_brackets)
      PRINT('t', "csc1915", " %s\n", cur->raw_insert_select.c_str());
    else
      PRINT('t', "csc1910", " %s\n", cur->select.c_str());
  }
  const host_col* host = cur->host_cols;
  for (const columns* col = cur->column_list; col; col = col->next) {
    const char* send = "Char";
    int len = col->fmt_len;
    if (col->num_type == 4) {
      send = "NO-SEND";
      len = 0;
    } else if (col->orig_type == 2 && col->num_type == 0) {
      send = "Right alligned";
    } else if (col->orig_type == 2 && col->num_type == 1) {
      send = "Integer";
      len = 4;
    } else if (col->orig_type == 2) {
      send = "Float";
      len = 8;
    }
    PRINT('i', "csc1920", "#%d Host=%s (%d,%d), Orig=%s, Orig-t=%s, send_t=%s, len=%d\n",
          col->col_ordinal, host ? host->name : "", col->offset, col->fmt_len, col->name,
          type_name(col->orig_type), send, len);
    if (host) host = host->next;
  }
}
