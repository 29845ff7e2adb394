// Reading one column of a cursor into a typed target or a named variable,
// and declaring variables of the select's term table from the caller's
// values, so that later expressions can name them.
#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ctl/curs.h"
#include "derive/column_refs.h"
#include "expr/interpreter.h"
#include "expr/select.h"
#include "rows/host_merge.h"
#include "util/print.h"

namespace {

// The named (not hidden) variable `name` of the current table, or null.
TERM_TABLE* find_variable(const char* name) {
  for (TERM_TABLE* t = terms.term_tb_anchor; t; t = t->next)
    if (!t->hidden && t->term_type == T_NAME && strcasecmp(t->text, name) == 0) return t;
  return nullptr;
}

// The variable `name`, made when missing; null when the name cannot be one.
TERM_TABLE* variable(const char* name) {
  if (!name || !*name || strlen(name) > TERM_TEXT_MAX) return nullptr;
  if (TERM_TABLE* t = find_variable(name)) return t;
  TERM_TABLE* t = chain_to_perm_term_tb(T_NAME, D_UNKNOWN);
  if (!t) return nullptr;
  snprintf(t->text, sizeof t->text, "%s", name);
  t->value = t->text;
  return t;
}

// A variable's value lives in a block of its own: its text field keeps the
// name that later expressions look it up by.
void set_var_value(TERM_TABLE* t, const char* text, size_t len) {
  char* block = static_cast<char*>(malloc(len + 1));
  if (!block) {
    PRINT('s', "SEL0840", "Can not acquire memory: quitting\n");
    expr_fatal(4);
  }
  memcpy(block, text, len);
  block[len] = '\0';
  if (t->value_owned && t->value != t->text) free(t->value);
  t->value = block;
  t->value_owned = 1;
}

void give_text(TERM_TABLE* t, const char* text) {
  set_var_value(t, text, strlen(text));
  t->data_type = D_STRING;
  t->num_kind = N_NONE;
  t->bound = 1;
}

void give_integer(TERM_TABLE* t, int32_t v) {
  term_number_text n = integer_text(v);
  set_var_value(t, n.text, n.len);
  t->data_type = D_INTEGER;
  t->num_kind = N_INTEGER;
  t->ival = v;
  t->bound = 1;
}

void give_double(TERM_TABLE* t, double v) {
  term_number_text n = double_text(v);
  set_var_value(t, n.text, n.len);
  t->data_type = D_DOUBLE;
  t->num_kind = N_DOUBLE;
  t->dval = v;
  t->bound = 1;
}

// Gives `text` to the variable as `type`. False when it is no number.
bool give_value(TERM_TABLE* t, int type, const char* text) {
  int32_t i = 0;
  double d = 0.0;
  switch (type) {
    case TARGET_TEXT:
      give_text(t, text);
      return true;
    case TARGET_INTEGER:
      if (!text_to_int(text, &i)) return false;
      give_integer(t, i);
      return true;
    default:
      if (!text_to_double(text, &d)) return false;
      give_double(t, d);
      return true;
  }
}

columns* column_of(curs* cur, const char* name) {
  char padded[sizeof(columns::name)] = {};
  memcpy(padded, name, strnlen(name, sizeof padded - 1));
  curs* holder = nullptr;
  return column_in_versions(cur, padded, &holder);
}

}  // namespace

int declare_C_var(const char* name, int data_type, const void* value) {
  require_exec_sql();
  if (data_type < TARGET_TEXT || data_type > TARGET_FLOAT) {
    PRINT('e', "TRM0110", "Invalid data type for variable %s\n", name ? name : "");
    return 1;
  }
  TERM_TABLE* t = value ? variable(name) : nullptr;
  if (!t) {
    PRINT('e', "TRM0100", "Variable %s declaration failed\n", name ? name : "");
    return 1;
  }
  if (data_type == TARGET_TEXT)
    give_text(t, static_cast<const char*>(value));
  else if (data_type == TARGET_INTEGER)
    give_integer(t, *static_cast<const int32_t*>(value));
  else
    give_double(t, *static_cast<const float*>(value));
  return 0;
}

int select_column(const char* column_name, const char* cursor_name, void* target, int target_type,
                  const char* var_name, TERM_TABLE** term) {
  require_exec_sql();
  if (!term || (*term && ((*term)->entry_kind != ENTRY_TERM || (*term)->term_type != T_COLUMN))) {
    PRINT('e', "SEL0815", "Pointer to invalid term block is passed\n");
    return 1;
  }
  curs* cur = find_cursor(cursor_name, strlen(cursor_name));
  if (!cur) {
    PRINT('e', "SEL0810", "Cursor %s not found\n", cursor_name);
    return 1;
  }
  if (target_type < TARGET_TEXT || target_type > TARGET_FLOAT) {
    PRINT('e', "SEL0870", "Invalid target type\n");
    return 1;
  }
  if (target_type == TARGET_TEXT && !var_name) {
    PRINT('e', "SEL0860", "Char target type requires a declared term variable\n");
    return 1;
  }
  TERM_TABLE* t = *term;
  // A binding is made again for another column or cursor, and when the
  // cursor's columns were replaced (another version took its place).
  if (!t || t->bound_curs != cur || t->bound_list != cur->column_list ||
      strcasecmp(t->text, column_name) != 0) {
    columns* col = column_of(cur, column_name);
    if (!col || strlen(column_name) > TERM_TEXT_MAX) {
      PRINT('e', "SEL0830", "Column %s not found for cursor %s\n", column_name, cursor_name);
      return 1;
    }
    if (!t && !(t = chain_to_perm_term_tb(T_COLUMN, D_UNKNOWN))) {
      PRINT('s', "SEL0840", "Can not acquire memory: quitting\n");
      expr_fatal(4);
    }
    snprintf(t->text, sizeof t->text, "%s", column_name);
    snprintf(t->cursor_name, sizeof t->cursor_name, "%s", cur->cur_name);
    t->bound_curs = cur;
    t->bound_col = col;
    t->bound_list = cur->column_list;
    t->bound = 1;
    *term = t;
  }
  if (refresh_column(t)) {
    PRINT('w', "SEL0010", "Cursor %s has no data\n", cursor_name);
    return 1;
  }
  std::string text(t->value, static_cast<size_t>(t->value_len));
  TERM_TABLE* v = nullptr;
  if (var_name) {
    v = variable(var_name);
    if (!v) {
      PRINT('e', "SEL0820", "Variable %s allocation failed\n", var_name);
      return 1;
    }
    if ((v->data_type != D_UNKNOWN && v->data_type != target_type) ||
        !give_value(v, target_type, trim_blanks(text.c_str()).c_str())) {
      PRINT('e', "SEL0825", "Invalid data type passed for variable %s.\n", var_name);
      return 1;
    }
  }
  if (!target) return 0;
  int32_t i = 0;
  double d = 0.0;
  switch (target_type) {
    case TARGET_TEXT:
      *static_cast<const char**>(target) = v->value;
      return 0;
    case TARGET_INTEGER:
      if (v) i = v->ival;
      if (!v && !text_to_int(text.c_str(), &i)) break;
      *static_cast<int32_t*>(target) = i;
      return 0;
    default:
      if (v) d = v->dval;
      if (!v && !text_to_double(text.c_str(), &d)) break;
      *static_cast<float*>(target) = static_cast<float>(d);
      return 0;
  }
  PRINT('e', "SEL0825", "Invalid data type passed for variable %s.\n", column_name);
  return 1;
}
