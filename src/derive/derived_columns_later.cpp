// Stand-ins for derived columns, which are not built yet: the start-up edits
// bind nothing, rows keep the values they were built with, and every row meets
// an iterate_where condition.
#include "derive/derived_columns.h"
#include "rows/row_hooks.h"

int create_percent_cursor() { return 0; }
int init_virtuals() { return 0; }
int edit_decode() { return 0; }
int edit_math() { return 0; }
int edit_col_exits() { return 0; }
int edit_iterate_where() { return 0; }

void refresh_percent_values(curs*, const char*) {}
bool is_math_column(const curs*, const columns*) { return false; }
void apply_derived_columns(curs*, char*) {}
bool iterate_where_holds(curs*, const text_row*) { return true; }

void register_derived_columns() {
  static const derived_column_steps steps = {refresh_percent_values, is_math_column,
                                             apply_derived_columns};
  set_derived_column_steps(&steps);
}
