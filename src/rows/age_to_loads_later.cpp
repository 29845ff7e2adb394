// Stand-ins for age-to copies, history files and loads, which are not built
// yet: the start-up edits refuse every cursor that asks for one (pcc0507);
// nothing is copied, written or loaded.
#include "ctl/unbuilt.h"
#include "rows/age_to_loads.h"

int edit_age_to() {
  return refuse_clauses([](const curs* c) -> const char* {
    if (c->age_to[0]) return "age_to";
    return c->history ? "history" : nullptr;
  });
}

int edit_loads() {
  return refuse_clauses(
      [](const curs* c) { return c->loads || c->parsed_loads ? "load" : nullptr; });
}

void do_copy(curs*) {}
int process_loads(curs*, int) { return 0; }
int do_history(const char*) { return 0; }
