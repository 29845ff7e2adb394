// Column references of derived columns: lookup of cursors, columns and the
// versions that hold them, and the field a reference reads for a row.
#include "derive/column_refs.h"

#include <strings.h>

#include <cstring>

#include "ctl/anchors.h"
#include "ctl/curs.h"
#include "ctl/cursor_versions.h"
#include "rows/row_chain.h"
#include "util/print.h"

namespace {

constexpr size_t kNameSize = sizeof(columns::name);
// Cursor names in a reference are at most 19 characters; anything longer is
// reported as too long rather than looked up.
constexpr size_t kMaxRefCursorName = 19;

char stamp[17] = "0000000000000000";

columns* percent_column(const char* name) {
  if (!anchors.percent_cursor) return nullptr;
  for (columns* col = anchors.percent_cursor->column_list; col; col = col->next)
    if (strncasecmp(col->name, name, kNameSize) == 0) return col;
  return nullptr;
}

}  // namespace

curs* cursor_named(const char* name, size_t len) {
  if (len == 0 || len >= sizeof(curs::cur_name)) return nullptr;
  for (curs* c = anchors.cur_anchor; c; c = c->next)
    if (strncmp(c->cur_name, name, len) == 0 && c->cur_name[len] == '\0') return c;
  return nullptr;
}

columns* own_column(const curs* cur, const char* name) {
  for (columns* col = cur->column_list; col; col = col->next)
    if (strncmp(col->name, name, kNameSize) == 0) return col;
  return nullptr;
}

columns* column_in_versions(curs* cur, const char* name, curs** holder) {
  if (columns* col = own_column(cur, name)) {
    *holder = cur;
    return col;
  }
  columns* found = nullptr;
  for_each_version(cur, [&](curs* v) {
    columns* col = v == cur ? nullptr : own_column(v, name);
    if (col && (!found || v->vers_time > (*holder)->vers_time)) {
      found = col;
      *holder = v;
    }
  });
  return found;
}

int resolve_column_ref(curs* cur, const char* text, columns** col, curs** holder) {
  *holder = nullptr;
  if ((*col = own_column(cur, text))) return 0;
  if (text[0] == '%') {
    if ((*col = percent_column(text))) {
      *holder = anchors.percent_cursor;
      return 0;
    }
    PRINT('e', "pde3950", "Column %s not found\n", text);
    return 1;
  }
  const char* dot = strchr(text, '.');
  if (!dot) {
    PRINT('e', "pde3955", "Column %s not found\n", text);
    return 1;
  }
  size_t len = static_cast<size_t>(dot - text);
  if (len > kMaxRefCursorName) {
    PRINT('e', "pde3960", "Cursor name too long in %s\n", text);
    return 1;
  }
  curs* other = cursor_named(text, len);
  if (!other) {
    PRINT('e', "pde3965", "Cursor %.*s not found in text %s\n", static_cast<int>(len), text, text);
    return 1;
  }
  char name[kNameSize] = {};
  strncpy(name, dot + 1, kNameSize - 1);
  if (!(*col = column_in_versions(other, name, holder))) {
    PRINT('e', "pde3970", "Column (%s) not found in text '%s'\n", name, text);
    return 1;
  }
  return 0;
}

curs* age_to_cursor(const curs* cur) {
  return cur->age_to[0] ? cursor_named(cur->age_to, strnlen(cur->age_to, sizeof cur->age_to))
                        : nullptr;
}

bool is_age_to_copy(const curs* target) {
  for (const curs* c = anchors.cur_anchor; c; c = c->next)
    if (c->age_to[0] && strncmp(c->age_to, target->cur_name, sizeof c->age_to) == 0) return true;
  return false;
}

const char* other_cursor_field(curs*, curs* holder, const columns* col) {
  // Rows matched through bases are not kept yet: every base falls back to the
  // source cursor's newest row, as an unmatched base does.
  if (!holder->last_row) return nullptr;
  return holder->last_row->text() + col->offset;
}

void set_fetch_time_stamp(const char* run_time) {
  memcpy(stamp, run_time, 14);
  stamp[14] = stamp[15] = '0';
}

const char* fetch_time_stamp() { return stamp; }
