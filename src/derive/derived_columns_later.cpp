// Stand-ins for the derived columns not built yet (the virtual and percent
// cursors): their start-up edits refuse every cursor that uses one (pcc0507),
// so start-up stops instead of storing rows without their derived values.
#include "ctl/unbuilt.h"
#include "derive/derived_columns.h"

int create_percent_cursor() {
  return refuse_clauses([](const curs* c) -> const char* {
    const columns* col = first_column(c, [](const columns* k) { return k->name[0] == '%'; });
    return col ? col->name : nullptr;
  });
}

int init_virtuals() {
  return refuse_clauses([](const curs* c) { return c->virtual_ ? "virtual" : nullptr; });
}

void refresh_percent_values(curs*, const char*) {}
