// The steps of the row path that subsystems above the rows provide: derived
// columns, fetch exits, and the probe services the evaluator reads and sends
// through. Each registers its steps at start-up; a step not
// registered is skipped (no derived values, no exit rows).
#pragma once

struct curs;
struct columns;

struct derived_column_steps {
  void (*refresh_percent_values)(curs* cur, const char* run_time);
  bool (*is_math_column)(const curs* cur, const columns* col);
  void (*apply_derived_columns)(curs* cur, char* text);
};

struct fetch_exit_steps {
  // 0 when rows were merged, 1 when the exit produced nothing.
  int (*run_cursor_fetch_exit)(curs* cur, const char* run_time);
};

struct probe_row_steps {
  // Opens `cur` for reading as a probe request would (a stale demand cursor
  // runs, the column-function row is rebuilt): 0, or 1 when it cannot be.
  int (*open_for_reading)(curs* cur);
  // Sends one record of `cur` (its row_size bytes): 0 when sent.
  int (*send_a_row)(curs* cur, const char* record);
};

// Registered steps (borrowed; must outlive their use). Null clears.
void set_derived_column_steps(const derived_column_steps* steps);
void set_fetch_exit_steps(const fetch_exit_steps* steps);
void set_probe_row_steps(const probe_row_steps* steps);

// The lookup of a percent variable's column by its name ("%rowno"), which
// the percent cursor's owner registers; it returns null for an unknown name.
// The column's source is the place its value is kept. Null clears.
using percent_column_lookup = columns* (*)(const char* name);
void set_percent_column_lookup(percent_column_lookup find);

// The percent column named `name`, or null (unknown, or no lookup registered).
columns* find_percent_column(const char* name);

// The registered steps, or null.
const derived_column_steps* derived_steps();
const fetch_exit_steps* exit_steps();
const probe_row_steps* probe_steps();
