// Stand-ins for the host-variable merge, base rows, in-lists and qualified
// columns, which are not built yet. Each leaves the row as it is; binding a
// percent variable or a qualified column reports that it cannot and holds the
// cursor, since no source exists.
#include "ctl/curs.h"
#include "rows/host_merge.h"
#include "util/print.h"

int edit_in_lists() { return 0; }
int edit_bases() { return 0; }
int set_qualifieds() { return 0; }

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
