// Refusal of clauses whose run-time behaviour is not built yet: start-up stops
// instead of collecting rows the clause would have changed.
#pragma once

#include "ctl/anchors.h"
#include "ctl/curs.h"

// Prints pcc0507 naming `clause` and the cursor `cur`. Returns 1.
[[nodiscard]] int refuse_clause(const char* clause, const curs* cur);

// Refuses, for every cursor, the clause `find` names for it (null: none).
// Returns 0 when no cursor uses one, else 1.
template <class Find>
[[nodiscard]] int refuse_clauses(Find find) {
  int failed = 0;
  for (const curs* c = anchors.cur_anchor; c; c = c->next)
    if (const char* clause = find(c)) failed = refuse_clause(clause, c);
  return failed;
}

// The first column of `cur` for which `pred` holds, or null.
template <class Pred>
const columns* first_column(const curs* cur, Pred pred) {
  for (const columns* col = cur->column_list; col; col = col->next)
    if (pred(col)) return col;
  return nullptr;
}
