// Column references of derived columns: lookup of cursors, columns and the
// versions that hold them, and the field a reference reads for a row.
#include "derive/column_refs.h"

#include <cstring>

#include "ctl/anchors.h"
#include "ctl/curs.h"
#include "rows/host_merge.h"

namespace {

char stamp[17] = "0000000000000000";

}  // namespace

curs* cursor_named(const char* name, size_t len) { return find_cursor(name, len); }

columns* own_column(const curs* cur, const char* name) {
  for (columns* col = cur->column_list; col; col = col->next)
    if (strncmp(col->name, name, sizeof col->name) == 0) return col;
  return nullptr;
}

columns* column_in_versions(curs* cur, const char* name, curs** holder) {
  columns* col = nullptr;
  return search_curs_vers_insert(cur, name, &col, holder) == 0 ? col : nullptr;
}

int resolve_column_ref(curs* cur, const char* text, columns** col, curs** holder) {
  return find_col(cur, text, col, holder);
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

const char* other_cursor_field(curs* cur, curs* holder, const columns* col) {
  return locate_base(holder, cur, col->offset);
}

void set_fetch_time_stamp(const char* run_time) {
  memcpy(stamp, run_time, 14);
  stamp[14] = stamp[15] = '0';
}

const char* fetch_time_stamp() { return stamp; }
