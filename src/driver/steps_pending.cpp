// Stand-ins for steps whose subsystems are not built yet: each reports that it
// is missing and fails, so start-up stops instead of pretending to work.
#include "driver/steps.h"
#include "util/print.h"

namespace {
int missing(const char* what) {
  PRINT('e', "cml1599", "%s is not built yet\n", what);
  return 1;
}
}  // namespace

int edit_pre_cursors() { return missing("Pre-cursor edit"); }
int edit_iterates() { return missing("Iterate edit"); }
void schedule() { missing("The scheduler"); }
