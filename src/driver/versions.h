// Walking a cursor together with the other versions of its definition.
#pragma once

#include "ctl/curs.h"

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
