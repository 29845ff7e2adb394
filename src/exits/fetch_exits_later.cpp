// Stand-in for fetch exits, which are not built yet: a cursor with a fetch
// exit is refused at start-up (pcc0507), and an exit run produces nothing.
#include "ctl/unbuilt.h"
#include "exits/fetch_exits.h"
#include "rows/row_hooks.h"

int edit_fetch_exits() {
  return refuse_clauses([](const curs* c) { return c->fetch_exit ? "fetch_exit" : nullptr; });
}

int run_cursor_fetch_exit(curs*, const char*) { return 1; }

void register_fetch_exits() {
  static const fetch_exit_steps steps = {run_cursor_fetch_exit};
  set_fetch_exit_steps(&steps);
}
