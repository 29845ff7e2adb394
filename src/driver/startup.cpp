// Start-up sequence of the collector.
#include "driver/startup.h"

#include "util/print.h"

int collector_main(int, char**) {
  PRINT('s', "cml1530", "Start-up is not built yet.\n");
  return 0;
}
