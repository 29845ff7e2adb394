// Stand-ins for the host-variable merge, base rows, in-lists, qualified
// columns and dummy rows, which are not built yet: the start-up edits refuse
// every cursor that uses one (pcc0507). Binding a percent variable or a
// qualified column reports that it cannot and holds the cursor.
#include "ctl/unbuilt.h"
#include "rows/host_merge.h"
#include "util/print.h"

int edit_in_lists() {
  return refuse_clauses([](const curs* c) { return c->in_lists ? "in_list" : nullptr; });
}

int edit_bases() {
  return refuse_clauses([](const curs* c) { return c->bases ? "base" : nullptr; });
}

int set_qualifieds() {
  return refuse_clauses([](const curs* c) -> const char* {
    if (const columns* col = first_column(c, [](const columns* k) { return k->qualified != 0; }))
      return col->name;
    if (c->dummy_last_row) return "dummy_last_row";
    return c->conditional_dummy_last_row ? "conditional_dummy_last_row" : nullptr;
  });
}

int bind_other_source(curs* cur, columns* col) {
  if (col->name[0] == '%')
    PRINT('e', "cat1560", "Un-identified percent variable %s\n", col->name);
  else
    PRINT('e', "cat1600", "Could not match %s - holding cursor %s\n", col->name, cur->cur_name);
  cur->hold = 'Y';
  return 1;
}

int refresh_row_sources(curs*, select_desc*) { return 0; }
int set_hvs_in_sel(curs*, char*) { return 0; }
void build_in_list(curs*) {}
void build_dummy_last_row(curs*) {}
void setup_dummy(curs*, select_desc*) {}
