// Column functions over a cursor's stored rows and the summary row built from
// them. Number columns are read as decimal text; text columns take only MIN,
// MAX and the water marks.
#include "rows/column_functions.h"

#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ctl/curs.h"
#include "rows/row_chain.h"
#include "rows/row_record.h"
#include "util/print.h"
#include "util/trace.h"

namespace {

// The widest column a numeric function reads.
constexpr int kWidestNumber = 255;

bool is_number_column(const columns* col) { return col->orig_type == 2; }

// True when `row` takes part: every row, or with samples kept only the newest
// sample's (rows keep 16 bits of the sample number).
bool takes_part(const curs* cur, const text_row* row) {
  return cur->samples == 0 || row->sample_no == static_cast<int16_t>(cur->sample_no);
}

// A NULL as row placement writes it: "NULL " over 5 bytes, or the first
// fmt_len characters of "NULL" in a narrower column.
bool is_null_value(const char* value, int len) {
  return len >= 5 ? memcmp(value, "NULL ", 5) == 0 : memcmp(value, "NULL", len) == 0;
}

// HIGH_WATER and LOW_WATER: the kept value, or '?' marks until one is kept.
void water_text(const columns* col, char* place) {
  const size_t len = static_cast<size_t>(col->fmt_len);
  if (col->water_set && col->water_value.size() == len)
    memcpy(place, col->water_value.data(), len);
  else
    memcpy(place, "????????", len < 8 ? len : 8);
}

// Places `text` right-aligned in the `len` bytes at `place`; a longer text
// gives its first `len` characters.
void place_right(char* place, int len, const char* text) {
  const int n = static_cast<int>(strlen(text));
  if (n >= len)
    memcpy(place, text, static_cast<size_t>(len));
  else
    memcpy(place + (len - n), text, static_cast<size_t>(n));
}

// "%f" of `value` cut after `decimals` digits, without the point when 0.
void print_cut(char* out, size_t size, double value, int decimals) {
  snprintf(out, size, "%f", value);
  if (char* point = strchr(out, '.')) {
    if (decimals == 0)
      *point = '\0';
    else if (static_cast<size_t>(decimals) < strlen(point + 1))
      point[1 + decimals] = '\0';
  }
}

// Digits after the decimal point of a number text.
int decimals_of(const char* text) {
  const char* point = strchr(text, '.');
  if (!point) return 0;
  int n = 0;
  while (point[1 + n] >= '0' && point[1 + n] <= '9') ++n;
  return n;
}

// T + v with the integer sum held at its bounds instead of wrapping.
int64_t saturating_add(int64_t t, int64_t v) {
  int64_t sum;
  if (!__builtin_add_overflow(t, v, &sum)) return sum;
  return v > 0 ? INT64_MAX : INT64_MIN;
}

// The numeric functions other than COUNT and the water marks, over the rows.
int numeric_over_rows(curs* cur, columns* col, int funct, char* place) {
  const int len = col->fmt_len;
  const bool traced = trace_on(5) || cur->trace;
  double s = 0, p = 0, best = 0;
  int64_t t = 0;
  int64_t n = 0;
  int d = 0;
  const text_row* chosen = nullptr;
  char value[kWidestNumber + 1];
  for (const text_row* row = cur->first_row; row; row = row->next) {
    if (!takes_part(cur, row)) continue;
    const char* field = row->text() + col->offset;
    if (is_null_value(field, len)) continue;
    memcpy(value, field, static_cast<size_t>(len));
    value[len] = '\0';
    const char* text = value;
    while (*text == ' ') ++text;
    const double v = strtod(text, nullptr);
    int64_t whole = 0;
    if (int err = qvzstrtoll(text, &whole); err != 0) {
      if (traced)
        PRINT('t', "col1000",
              "col_function_load() converting error. row cache (%s) to long long, errno is %d\n",
              text, err);
      whole = INT64_MAX;
    }
    const int64_t i = ++n;
    switch (funct) {
      case FUNCT_MIN:  // ties keep the earliest row
        if (!chosen || v < best) best = v, chosen = row;
        break;
      case FUNCT_MAX:
        if (!chosen || v > best) best = v, chosen = row;
        break;
      case FUNCT_AVG:
      case FUNCT_SUM:
        s += v;
        t = saturating_add(t, whole);
        if (int k = decimals_of(text); k > d) d = k;
        break;
      case FUNCT_WAVG:
        s += v * static_cast<double>(i);
        if (int k = decimals_of(text); k > d) d = k;
        break;
      case FUNCT_TREND:
        p += v;
        s += v * static_cast<double>(i);
        break;
      default:
        return 1;
    }
  }

  char out[400];
  const double weights = static_cast<double>(n) * static_cast<double>(n + 1) / 2;
  switch (funct) {
    case FUNCT_MIN:
    case FUNCT_MAX:
      if (chosen) {
        memcpy(place, chosen->text() + col->offset, static_cast<size_t>(len));
        cur->min_max_row = const_cast<text_row*>(chosen);
      }
      return 0;
    case FUNCT_AVG:
      if (n == 0)
        snprintf(out, sizeof out, "0");
      else
        print_cut(out, sizeof out, s / static_cast<double>(n), d);
      break;
    case FUNCT_WAVG:
      if (n == 0)
        snprintf(out, sizeof out, "0");
      else
        print_cut(out, sizeof out, s / weights, d);
      break;
    case FUNCT_TREND:
      // Values averaging zero have no trend: zero, as for no values, rather
      // than an infinity or a NaN in the answer.
      snprintf(out, sizeof out, "%f",
               n == 0 || p == 0 ? 0.0 : (s / weights) / (p / static_cast<double>(n)));
      break;
    default:  // SUM: the integer parts
      snprintf(out, sizeof out, "%lld", static_cast<long long>(t));
      break;
  }
  place_right(place, len, out);
  return 0;
}

// COUNT: rows merged from fetch-exit data when there were any, else the
// number of the last row when it belongs to the newest sample. Rows are not read.
void count_rows(const curs* cur, const columns* col, char* place) {
  long long count = 0;
  if (cur->exit_rows != 0)
    count = cur->exit_rows;
  else if (cur->last_row && cur->last_row->sample_no == static_cast<int16_t>(cur->sample_no))
    count = cur->last_row->row_no;
  char out[32];
  snprintf(out, sizeof out, "%lld", count);
  place_right(place, col->fmt_len, out);
}

}  // namespace

int col_function(curs* cur, columns* col, char* place) {
  return col_function_as(cur, col, col->col_funct, place);
}

int col_function_as(curs* cur, columns* col, int funct, char* place) {
  if (!is_number_column(col) && funct != FUNCT_COUNT) return col_funct_char(cur, col, funct, place);
  if (funct == FUNCT_HIGH_WATER || funct == FUNCT_LOW_WATER) {
    water_text(col, place);
    return 0;
  }
  const int len = col->fmt_len;
  memset(place, ' ', static_cast<size_t>(len));
  if (len > kWidestNumber) return 1;
  if (funct == FUNCT_COUNT) {
    count_rows(cur, col, place);
    return 0;
  }
  // An unknown code is refused whether or not there are values to read.
  if (funct < FUNCT_MIN || funct > FUNCT_SUM) return 1;
  return numeric_over_rows(cur, col, funct, place);
}

int col_funct_char(curs* cur, columns* col, int funct, char* place) {
  const size_t len = static_cast<size_t>(col->fmt_len);
  memset(place, ' ', len);
  if (funct == FUNCT_HIGH_WATER || funct == FUNCT_LOW_WATER) {
    water_text(col, place);
    return 0;
  }
  if (funct != FUNCT_MIN && funct != FUNCT_MAX) return 1;
  const text_row* chosen = nullptr;
  for (const text_row* row = cur->first_row; row; row = row->next) {
    if (!takes_part(cur, row)) continue;
    const char* field = row->text() + col->offset;
    if (is_null_value(field, col->fmt_len)) continue;
    if (!chosen) {
      chosen = row;
      continue;
    }
    const int c = memcmp(field, chosen->text() + col->offset, len);
    if (funct == FUNCT_MIN ? c < 0 : c > 0) chosen = row;
  }
  if (chosen) {
    memcpy(place, chosen->text() + col->offset, len);
    cur->min_max_row = const_cast<text_row*>(chosen);
  }
  return 0;
}

int make_function_row(curs* cur) {
  if (cur->function_row && cur->function_len >= cur->length) return 0;
  free_text_row(cur->function_row);
  cur->function_row = alloc_text_row(cur->length);
  cur->function_len = cur->function_row ? cur->length : 0;
  if (!cur->function_row) return 1;
  cur->new_data = 1;
  cur->new_data_eval = 1;
  return 0;
}

int fill_function_row(curs* cur) {
  if (!cur->new_data) return 0;
  cur->new_data = 0;
  char* text = cur->function_row->text();
  memset(text, ' ', static_cast<size_t>(cur->length));
  cur->min_max_row = nullptr;
  int rc = 0;
  for (columns* col = cur->column_list; col && rc == 0; col = col->next) {
    char* place = text + col->offset;
    if (col->col_funct != 0)
      rc = col_function(cur, col, place);
    else if (cur->last_row)
      memcpy(place, cur->last_row->text() + col->offset, static_cast<size_t>(col->fmt_len));
  }
  if (rc == 0 && cur->has_min_max && cur->min_max_row)
    for (const columns* col = cur->column_list; col; col = col->next)
      if (col->col_funct == 0)
        memcpy(text + col->offset, cur->min_max_row->text() + col->offset,
               static_cast<size_t>(col->fmt_len));
  // Values end with a NUL in every stored row; the summary row keeps that form.
  for (const columns* col = cur->column_list; col; col = col->next)
    text[col->offset + col->fmt_len] = '\0';
  cur->min_max_row = nullptr;
  // A function that cannot be computed now cannot later either; the row is
  // rebuilt (and refused) at every request rather than sent half made.
  if (rc != 0) cur->new_data = 1;
  return rc;
}
