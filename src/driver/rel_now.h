// The current time as the scheduler counts it: relative seconds of local time
// (32 bits, as the cursor and process records keep them).
#pragma once

#include <cstdint>

#include "util/reltime.h"

// Relative seconds of the current local time, from the clock in use.
inline int32_t rel_now() {
  char text[15];
  return static_cast<int32_t>(relative_sec(get_time(text)));
}
