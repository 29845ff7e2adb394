// Stand-ins for row-path steps of features that are not built yet. Each leaves
// the row as it is; the one that would bind a percent variable or a qualified
// column reports that it cannot and holds the cursor, since no source exists.
#include "ctl/curs.h"
#include "rows/row_chain.h"
#include "rows/row_steps.h"
#include "util/print.h"

void refresh_percent_values(curs*, const char*) {}

int bind_other_source(curs* cur, columns* col) {
  if (col->name[0] == '%')
    PRINT('e', "cat1560", "Un-identified percent variable %s\n", col->name);
  else
    PRINT('e', "cat1600", "Could not match %s - holding cursor %s\n", col->name, cur->cur_name);
  cur->hold = 'Y';
  return 1;
}

bool is_math_column(const curs*, const columns*) { return false; }
int refresh_row_sources(curs*, select_desc*) { return 0; }
void apply_derived_columns(curs*, char*) {}
int run_cursor_fetch_exit(curs*, const char*) { return 1; }
int set_hvs_in_sel(curs*, char*) { return 0; }
void do_copy(curs*) {}

int process_loads(curs*, int) { return 0; }
void build_in_list(curs*) {}
void build_dummy_last_row(curs*) {}
void setup_dummy(curs*, select_desc*) {}
