// The steps registered by the subsystems above the row path.
#include "rows/row_hooks.h"

namespace {
const derived_column_steps* derived = nullptr;
const fetch_exit_steps* exits = nullptr;
percent_column_lookup percent_lookup = nullptr;
const probe_row_steps* probe = nullptr;
}  // namespace

void set_derived_column_steps(const derived_column_steps* steps) { derived = steps; }
void set_fetch_exit_steps(const fetch_exit_steps* steps) { exits = steps; }
const derived_column_steps* derived_steps() { return derived; }
const fetch_exit_steps* exit_steps() { return exits; }
void set_percent_column_lookup(percent_column_lookup find) { percent_lookup = find; }
columns* find_percent_column(const char* name) {
  return percent_lookup ? percent_lookup(name) : nullptr;
}
void set_probe_row_steps(const probe_row_steps* steps) { probe = steps; }
const probe_row_steps* probe_steps() { return probe; }
