// Stand-ins for column functions and the evaluator, which are not built yet:
// a cursor with a column function is refused (pcc0507, naming the function),
// and so is a process named "evaluator" (ppc0506).
#include "ctl/unbuilt.h"
#include "rows/evaluator.h"
#include "util/print.h"

int edit_column_functions() {
  static const char* const names[] = {"",       "MIN!", "MAX!", "AVG!", "WAVG!",
                                      "TREND!", "SUM!", "HW!",  "LW!",  "COUNT!"};
  int failed = refuse_clauses([](const curs* c) -> const char* {
    const columns* col = first_column(c, [](const columns* k) { return k->col_funct != 0; });
    if (!col) return nullptr;
    return col->col_funct > 0 && col->col_funct < 10 ? names[col->col_funct] : "column function";
  });
  if (anchors.have_evaluator) {
    PRINT('e', "ppc0506", "Process %s is not supported yet\n", "evaluator");
    failed = 1;
  }
  return failed;
}

int do_evaluator(const char*, distributor*) { return 0; }
