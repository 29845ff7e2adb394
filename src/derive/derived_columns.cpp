// The derived columns of one row, in their fixed order: math columns, then
// decodes, then column exits; and the registration that hands them to the row
// path.
#include "derive/derived_columns.h"

#include "ctl/curs.h"
#include "derive/column_exits.h"
#include "derive/column_refs.h"
#include "derive/decode.h"
#include "derive/load_conditions.h"
#include "derive/math.h"
#include "derive/percent_cursor.h"
#include "rows/row_hooks.h"

namespace {

void start_row(curs* cur, const char* run_time) {
  set_fetch_time_stamp(run_time);
  refresh_percent_values(cur, run_time);
}

}  // namespace

bool is_math_column(const curs*, const columns* col) { return col->math != nullptr; }

void apply_derived_columns(curs* cur, char* text) {
  if (cur->math)
    for (columns* col = cur->column_list; col; col = col->next)
      if (col->math) {
        do_math(cur, col, text);
        text[col->offset + col->fmt_len] = '\0';
      }
  if (cur->decodes) apply_decodes(cur, text);
  // A failing exit leaves the value as it stands; the row is kept.
  if (cur->col_exits)
    for (columns* col = cur->column_list; col; col = col->next)
      if (col->col_exit) (void)column_exit_driver(cur, col, text, col->col_exit);
}

void register_derived_columns() {
  static const derived_column_steps steps = {start_row, is_math_column, apply_derived_columns};
  set_derived_column_steps(&steps);
  set_percent_column_lookup(find_pcnt_col);
  register_load_steps();
}
