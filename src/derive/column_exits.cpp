// Column exits: the edit that binds exit records to columns, the driver that
// runs a column's exits in order, and the seven routines.
#include "derive/column_exits.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "ctl/anchors.h"
#include "ctl/col_exit_clause.h"
#include "ctl/curs.h"
#include "derive/column_refs.h"
#include "derive/derived_columns.h"
#include "util/print.h"
#include "util/reltime.h"
#include "util/value_text.h"

cxl_ptr* col_ex_l_ptr = nullptr;

namespace {

using col_ex_routine = int (*)(curs* cur, columns* col, char* row);

// The routines of col_exits, position for position.
constexpr col_ex_routine kRoutines[col_ex_count] = {colex_r, colex_l,  colex_m, colex_s,
                                                    colex_c, colex_m2, colex_t};

constexpr int16_t kNumber = 2;
constexpr size_t kStampColumn = 16;

// The value of `col` as text: its bytes up to the first NUL, the rest of the
// area read as blanks.
std::string value_of(const columns* col, const char* row) {
  const char* place = row + col->offset;
  size_t width = static_cast<size_t>(col->fmt_len);
  std::string v(place, value_len(place, width));
  v.resize(width, ' ');
  return v;
}

std::string trimmed(const std::string& s, bool front, bool back) {
  size_t b = front ? s.find_first_not_of(' ') : 0;
  if (b == std::string::npos) return {};
  size_t e = back ? s.find_last_not_of(' ') + 1 : s.size();
  return s.substr(b, e - b);
}

// Blank-fills the area of `col` and writes `text` (cut to the area) at its
// start, or ending at its last position.
void put(const columns* col, char* row, const std::string& text, bool at_end) {
  char* place = row + col->offset;
  size_t width = static_cast<size_t>(col->fmt_len);
  size_t n = text.size() < width ? text.size() : width;
  memset(place, ' ', width);
  memcpy(place + (at_end ? width - n : 0), text.data(), n);
}

bool traced(const curs* cur) { return cur->trace || cur->traced; }

// The 16-character local time text YYYYMMDDHHMMSS00 of the 32-bit count of
// seconds since 1970 in the column's first 4 bytes.
std::string unix_stamp(const curs* cur, const columns* col, const char* row) {
  int32_t secs = 0;
  memcpy(&secs, row + col->offset, sizeof secs);
  if (cur->traced) PRINT('t', "ccc4049", "UNIX time() value: %d\n", secs);
  time_t t = secs;
  tm local{};
  localtime_r(&t, &local);
  int year = local.tm_year;
  if (year < 1900) year += year < 81 ? 2000 : 1900;
  char text[80];
  snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d00", year, local.tm_mon + 1, local.tm_mday,
           local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

// Whole minutes, rounded, from the 14-digit time text `then` to the run's time.
long elapsed_minutes(const char* then) {
  rel_secs e = relative_sec(fetch_time_stamp()) - relative_sec(then);
  if (e < 0) e = 0;
  return static_cast<long>((e + 30) / 60);
}

void put_minutes(columns* col, char* row, long minutes) {
  char text[32];
  snprintf(text, sizeof text, "%*ld", static_cast<int>(kStampColumn), minutes);
  memcpy(row + col->offset, text, kStampColumn);
  col->orig_type = kNumber;
  col->data_type = 1;
}

}  // namespace

int edit_col_exits() {
  int errors = 0;
  for (curs* cur = anchors.cur_anchor; cur; cur = cur->next) {
    if (!cur->col_exits) continue;
    for (columns* col = cur->column_list; col; col = col->next) {
      cxl_ptr* rec = cur->col_exits;
      while (rec && (rec->matched || strncmp(rec->column, col->name, sizeof rec->column) != 0))
        rec = rec->next;
      if (!rec) continue;
      for (cxl_ptr* r = rec; r; r = r->same_column) {
        if (!r->column2[0]) continue;
        columns* second = nullptr;
        curs* holder = nullptr;
        if (resolve_column_ref(cur, r->column2, &second, &holder) != 0) {
          PRINT('e', "pce4185", "Column (%s) in concatenate not found\n", r->column2);
          errors = 1;
          continue;
        }
        r->concat_column = second;
        r->concat_cursor = holder;
      }
      rec->matched = 1;
      col->col_exit = rec;
    }
    for (cxl_ptr* rec = cur->col_exits; rec; rec = rec->next)
      if (!rec->matched) {
        PRINT('e', "pce4190", "Column %s in cursor %s not matched for column exit\n", rec->column,
              cur->cur_name);
        errors = 1;
      }
  }
  if (errors) {
    PRINT('e', "pce4195", "Column exit editing failed\n");
    return 1;
  }
  PRINT('i', "pce4200", "Column exit editing was successful\n");
  return 0;
}

int column_exit_driver(curs* cur, columns* col, char* text, cxl_ptr* first) {
  for (cxl_ptr* rec = first; rec; rec = rec->same_column) {
    col_ex_l_ptr = rec;
    int rc = kRoutines[rec->routine - col_exits](cur, col, text);
    col_ex_l_ptr = nullptr;
    if (rc != 0) return rc;
  }
  return 0;
}

int colex_r(curs* cur, columns* col, char* row) {
  if (cur->trace)
    PRINT('t', "ccc4075", "Right justify call for %s in cursor %s\n", col->name, cur->cur_name);
  std::string v = value_of(col, row);
  std::string text = trimmed(v, false, true);
  if (!text.empty() && text.size() < v.size()) put(col, row, text, true);
  return 0;
}

int colex_l(curs* cur, columns* col, char* row) {
  if (cur->trace)
    PRINT('t', "ccc4065", "Left justify call for %s in cursor %s\n", col->name, cur->cur_name);
  std::string v = value_of(col, row);
  std::string text = trimmed(v, true, false);
  if (!text.empty() && text.size() < v.size()) put(col, row, text, false);
  return 0;
}

int colex_s(curs* cur, columns* col, char* row) {
  const int start = col_ex_l_ptr->arg1;
  int len = col_ex_l_ptr->arg2;
  const int width = col->fmt_len;
  if (start > width) {
    PRINT('e', "ccc4056", "Substring starting position exceeds length of %s in cursor %s\n",
          col->name, cur->cur_name);
    return 1;
  }
  if (start + len > width) {
    PRINT('w', "ccc4060", "Substring starting plus len exceeds length of %s in cursor %s\n",
          col->name, cur->cur_name);
    len = width - start;
  }
  put(col, row, value_of(col, row).substr(static_cast<size_t>(start - 1), static_cast<size_t>(len)),
      false);
  return 0;
}

int colex_c(curs* cur, columns* col, char* row) {
  const columns* second = col_ex_l_ptr->concat_column;
  curs* holder = col_ex_l_ptr->concat_cursor;
  const char* other_row = row;
  if (holder) {
    const char* field = other_cursor_field(cur, holder, second);
    if (!field) {
      PRINT('w', "ccf4580", "In concat, second column (%s) is in cursor(%s) with no rows\n",
            second->name, holder->cur_name);
      return 1;
    }
    other_row = field - second->offset;
  }
  std::string add = trimmed(value_of(second, other_row), true, true);
  if (add.empty()) return 0;
  const bool number = col->orig_type == kNumber;
  std::string own = trimmed(value_of(col, row), true, true);
  put(col, row, own + add, number);
  return 0;
}

int colex_m(curs* cur, columns* col, char* row) {
  if (cur->trace)
    PRINT('t', "ccc4045", "Minutes call for %s in cursor %s\n", col->name, cur->cur_name);
  if (col->fmt_len != static_cast<int16_t>(kStampColumn)) {
    PRINT('e', "ccc4046", "Minutes calculation for column %% when length != 16\n");
    return 1;
  }
  // MM/DD/YYYY HH:MM
  const char* v = row + col->offset;
  char then[15] = {};
  snprintf(then, sizeof then, "%.4s%.2s%.2s%.2s%.2s00", v + 6, v, v + 3, v + 11, v + 14);
  put_minutes(col, row, elapsed_minutes(then));
  return 0;
}

int colex_m2(curs* cur, columns* col, char* row) {
  if (traced(cur))
    PRINT('t', "ccc4047", "Minutes2 call for %s in cursor %s\n", col->name, cur->cur_name);
  if (col->fmt_len != static_cast<int16_t>(kStampColumn)) {
    PRINT('e', "ccc4048", "Minutes2 calculation for column %% when length != 16\n");
    return 1;
  }
  std::string stamp = unix_stamp(cur, col, row);
  if (cur->traced) PRINT('t', "ccc4050", "Converted Timestamp value = %s\n", stamp.c_str());
  long minutes = elapsed_minutes(stamp.c_str());
  put_minutes(col, row, minutes);
  if (cur->traced) PRINT('t', "ccc4051", "Converted Minutes value = %.16s\n", row + col->offset);
  return 0;
}

int colex_t(curs* cur, columns* col, char* row) {
  if (traced(cur))
    PRINT('t', "ccc4052", "Timestamp call for %s in cursor %s\n", col->name, cur->cur_name);
  if (col->fmt_len != static_cast<int16_t>(kStampColumn)) {
    PRINT('e', "ccc4053", "Timestamp calculation for column %% when length != 16\n");
    return 1;
  }
  std::string stamp = unix_stamp(cur, col, row);
  memcpy(row + col->offset, stamp.data(), kStampColumn);
  col->orig_type = kNumber;
  col->data_type = 1;
  if (cur->traced) PRINT('t', "ccc4055", "Converted Timestamp value = %s\n", stamp.c_str());
  return 0;
}
