// Stand-ins for derived columns, which are not built yet: the start-up edits
// refuse every cursor that uses one (pcc0507), so start-up stops instead of
// storing rows without their derived values. The row steps leave rows as
// they are.
#include "ctl/unbuilt.h"
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

int edit_decode() {
  return refuse_clauses([](const curs* c) { return c->decodes ? "decode" : nullptr; });
}

int edit_math() {
  return refuse_clauses([](const curs* c) { return c->math ? "math" : nullptr; });
}

int edit_col_exits() {
  return refuse_clauses([](const curs* c) { return c->col_exits ? "column_exit" : nullptr; });
}

int edit_iterate_where() {
  return refuse_clauses([](const curs* c) { return c->iterate_where ? "iterate_where" : nullptr; });
}

void refresh_percent_values(curs*, const char*) {}
bool is_math_column(const curs*, const columns*) { return false; }
void apply_derived_columns(curs*, char*) {}
bool iterate_where_holds(curs*, const text_row*) { return true; }

void register_derived_columns() {
  static const derived_column_steps steps = {refresh_percent_values, is_math_column,
                                             apply_derived_columns};
  set_derived_column_steps(&steps);
}
