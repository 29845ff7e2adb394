// Stand-ins for the column exit routines until they are built: each reports
// that it cannot run and fails, so the column keeps its fetched value.
#include "ctl/col_exit_clause.h"
#include "util/print.h"

namespace {
int missing(const char* name) {
  PRINT('e', "ccc4000", "Column exit %s is not available\n", name);
  return 1;
}
}  // namespace

int colex_r(curs*, columns*, char*) { return missing("R_JUSTIFY"); }
int colex_l(curs*, columns*, char*) { return missing("L_JUSTIFY"); }
int colex_m(curs*, columns*, char*) { return missing("MINUTES"); }
int colex_s(curs*, columns*, char*) { return missing("SUBSTR"); }
int colex_c(curs*, columns*, char*) { return missing("CONCAT"); }
int colex_m2(curs*, columns*, char*) { return missing("MINUTES2"); }
int colex_t(curs*, columns*, char*) { return missing("TIMESTAMP"); }
