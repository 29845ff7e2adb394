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

int parse_pre_cursor(curs*, char*) { return missing("pre_cursor"); }
int parse_iterate(curs*, char*) { return missing("iterate"); }
int parse_in_list(curs*, char*) { return missing("in_list"); }
int parse_base(curs*, char*) { return missing("base"); }
int parse_math(curs*, char*) { return missing("math"); }
int parse_iterate_where(curs*, char*) { return missing("iterate_where"); }
int parse_set_len(curs*, char*) { return missing("set_len"); }
int parse_col_ex(curs*, char*) { return missing("column_exit"); }
int add_load_text(curs*, const char*) { return missing("load"); }
