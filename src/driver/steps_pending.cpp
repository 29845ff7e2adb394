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

int do_pxa() {
  missing("The transport to the probe");
  return -1;
}
