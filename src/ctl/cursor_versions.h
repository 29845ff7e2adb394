// Conditional cursor versions: the chains of a cursor's versions, and the
// choice of each cursor's version for the time of a run.
#pragma once

#include "ctl/curs.h"

// Start-up edit run by init_cursors: builds the version chains. 0 on success,
// 1 after reporting.
[[nodiscard]] int define_vers_chain();

// Selects every cursor's version for the time text; 0, or 1 on failure.
int tune_up_cursor_versions(const char* time_text);

// Calls `fn` for the cursor on the chain and for each other version on its
// circular vers_list (a cursor without versions lists itself or nothing).
template <class Fn>
void for_each_version(curs* c, Fn fn) {
  fn(c);
  curs* start = c->vers_list;
  if (!start || start == c) return;
  curs* v = start;
  // The bound guards against a ring that does not close on its start.
  for (int guard = 0; v && guard < 100000; ++guard) {
    if (v != c) fn(v);
    v = v->vers_list;
    if (v == start) break;
  }
}
