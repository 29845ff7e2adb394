// The one message of a clause refused because its feature is not built.
#include "ctl/unbuilt.h"

#include "util/print.h"

int refuse_clause(const char* clause, const curs* cur) {
  PRINT('e', "pcc0507", "%s is not supported yet (cursor %s)\n", clause, cur->cur_name);
  return 1;
}
