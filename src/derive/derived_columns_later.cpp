// Stand-ins for the derived columns not built yet (percent and virtual
// cursors, math columns, column exits): their start-up edits refuse every
// cursor that uses one (pcc0507), so start-up stops instead of storing rows
// without their derived values. Decodes are applied.
#include "ctl/unbuilt.h"
#include "derive/decode.h"
#include "derive/derived_columns.h"
#include "rows/row_hooks.h"

int create_percent_cursor() {
  return refuse_clauses([](const curs* c) -> const char* {
    const columns* col = first_column(c, [](const columns* k) { return k->name[0] == '%'; });
    return col ? col->name : nullptr;
  });
}

int init_virtuals() {
  return refuse_clauses([](const curs* c) { return c->virtual_ ? "virtual" : nullptr; });
}

int edit_math() {
  return refuse_clauses([](const curs* c) { return c->math ? "math" : nullptr; });
}

int edit_col_exits() {
  return refuse_clauses([](const curs* c) { return c->col_exits ? "column_exit" : nullptr; });
}

void refresh_percent_values(curs*, const char*) {}
bool is_math_column(const curs*, const columns*) { return false; }
void apply_derived_columns(curs* cur, char* text) {
  if (cur->decodes) apply_decodes(cur, text);
}

void register_derived_columns() {
  static const derived_column_steps steps = {refresh_percent_values, is_math_column,
                                             apply_derived_columns};
  set_derived_column_steps(&steps);
}
