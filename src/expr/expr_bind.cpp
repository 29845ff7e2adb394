// How expression terms reach collected data: a qualified column in another
// cursor, a percent variable, or a column of the current cursor, each read
// from its cursor's current row at every evaluation. All lookups of cursors
// and columns the interpreter makes are in this file.
#include <strings.h>

#include <cstdlib>
#include <cstring>

#include "ctl/anchors.h"
#include "ctl/curs.h"
#include "derive/column_refs.h"
#include "derive/percent_cursor.h"
#include "expr/interpreter.h"
#include "rows/row_chain.h"
#include "util/print.h"

namespace {

constexpr int16_t ORIG_NUMBER = 2;  // database type code of a Number column

// The column of `cur` named `name`, looked for in its other versions too.
columns* lookup_column(curs* cur, const char* name) {
  char padded[sizeof(columns::name)] = {};
  memcpy(padded, name, strnlen(name, sizeof padded - 1));
  curs* holder = nullptr;
  return column_in_versions(cur, padded, &holder);
}

// Through the percent cursor's own lookup, which also keeps the variable
// current for every row built from now on.
columns* percent_column(const char* name) {
  return anchors.percent_cursor ? find_pcnt_col(name) : nullptr;
}

void bind_to(TERM_TABLE* t, curs* cur, columns* col) {
  t->term_type = T_COLUMN;
  t->bound_curs = cur;
  t->bound_col = col;
  t->bound_list = cur->column_list;
  memset(t->cursor_name, 0, sizeof t->cursor_name);
  memcpy(t->cursor_name, cur->cur_name, strnlen(cur->cur_name, TERM_CURSOR_MAX));
  t->bound = 1;
}

}  // namespace

int define_column(TERM_TABLE* t) {
  if (t->term_type == T_COLUMN) {
    curs* cur = cursor_named(t->cursor_name, strlen(t->cursor_name));
    if (!cur && anchors.percent_cursor &&
        strncasecmp(anchors.percent_cursor->cur_name, t->cursor_name, sizeof t->cursor_name) == 0)
      cur = anchors.percent_cursor;
    if (!cur) {
      PRINT('e', "Int0500", "Cursor %s not found for column %s\n", t->cursor_name, t->text);
      return 1;
    }
    columns* col = lookup_column(cur, t->text);
    if (!col) {
      PRINT('e', "Int0510", "Column %s not found for cursor %s\n", t->text, t->cursor_name);
      return 1;
    }
    bind_to(t, cur, col);
    return refresh_column(t);
  }
  if (t->text[0] == '%') {
    columns* col = percent_column(t->text);
    if (!col) {
      PRINT('e', "Int0520", "Variable %s not found\n", t->text);
      return 1;
    }
    bind_to(t, anchors.percent_cursor, col);
    return refresh_column(t);
  }
  curs* cur = terms.current_cursor;
  if (!cur) return 2;
  columns* col = lookup_column(cur, t->text);
  if (!col) return 2;
  bind_to(t, cur, col);
  return refresh_column(t);
}

int refresh_column(TERM_TABLE* t) {
  curs* cur = t->bound_curs;
  if (cur->column_list != t->bound_list) {
    // Another version of the cursor is in place: its columns may lie elsewhere.
    columns* col =
        cur == anchors.percent_cursor ? percent_column(t->text) : lookup_column(cur, t->text);
    if (!col) {
      PRINT('e', "Int0510", "Column %s not found for cursor %s\n", t->text, t->cursor_name);
      return 1;
    }
    t->bound_col = col;
    t->bound_list = cur->column_list;
  }
  const text_row* row = cur->current_row ? cur->current_row : cur->last_row;
  if (!row) return 1;
  if (t->value_owned) set_term_value(t, "", 0);
  const columns* col = t->bound_col;
  t->value = const_cast<char*>(row->text() + col->offset);
  t->value_len = static_cast<int16_t>(strnlen(t->value, static_cast<size_t>(col->fmt_len)));
  if (col->orig_type == ORIG_NUMBER) {
    t->data_type = D_DOUBLE;
    char* end = nullptr;
    double v = strtod(t->value, &end);
    while (end && end != t->value && *end == ' ') ++end;
    t->num_kind = end && end != t->value && *end == '\0' ? N_DOUBLE : N_NONE;
    t->dval = t->num_kind == N_DOUBLE ? v : 0.0;
  } else {
    t->data_type = D_STRING;
    t->num_kind = N_NONE;
  }
  return 0;
}
