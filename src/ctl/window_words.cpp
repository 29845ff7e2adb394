// The window statements shared by PROCESS.CTL and COLLECT.CTL.
#include "ctl/window_words.h"

#include "ctl/operate.h"
#include "util/print.h"

namespace {
const char* const kStatements[6] = {"saturday_start", "saturday_end",  "sunday_start",
                                    "sunday_end",     "mon_fri_start", "mon_fri_end"};
}  // namespace

window_step take_window(window_pairs& pairs, int slot, int len, int32_t hhmm, const window_ids& ids,
                        int* day, int32_t* start, int32_t* end) {
  const int cls = slot / 2;
  if (len != 4) {
    PRINT('e', ids.length[slot], "Incorrect length for %s (4)\n", kStatements[slot]);
    return window_step::refused;
  }
  const int32_t secs = hhmm_seconds(hhmm);
  if (slot % 2 == 0) {
    if (pairs.held[cls]) {
      PRINT('e', ids.duplicate[cls], "Duplicate %s specification\n", kStatements[slot]);
      return window_step::refused;
    }
    pairs.held[cls] = true;
    pairs.held_start[cls] = secs;
    return window_step::held;
  }
  *day = cls;
  *start = pairs.held[cls] ? pairs.held_start[cls] : 0;
  *end = secs;
  pairs.held[cls] = false;
  pairs.held_start[cls] = 0;
  return window_step::closed;
}
