// Stand-in for fetch exits, which are not built yet: an exit produces nothing.
#include "exits/fetch_exits.h"
#include "rows/row_hooks.h"

int run_cursor_fetch_exit(curs*, const char*) { return 1; }

void register_fetch_exits() {
  static const fetch_exit_steps steps = {run_cursor_fetch_exit};
  set_fetch_exit_steps(&steps);
}
