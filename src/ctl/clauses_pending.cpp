// Stand-ins for the clause parsers until they are built: each refuses the
// statement, so a cursor file that uses a clause fails to parse.
#include "ctl/clauses.h"
#include "util/print.h"

namespace {
int missing(const char* keyword) {
  PRINT('e', "pcc0505", "Clause %s is not supported yet\n", keyword);
  return 1;
}
}  // namespace

int add_load_text(curs*, const char*) { return missing("load"); }
