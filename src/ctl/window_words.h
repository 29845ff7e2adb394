// The window statements of process and cursor definitions: saturday_start,
// saturday_end, sunday_start, sunday_end, mon_fri_start and mon_fri_end, a
// start held until its end arrives.
#pragma once

#include <cstdint>

// The starts waiting for their ends while one definition is read.
struct window_pairs {
  bool held[3] = {};           // a window start waits for its end (Saturday, Sunday, Mon_Fri)
  int32_t held_start[3] = {};  // the waiting starts, seconds after midnight
};

// Message ids of one file's window statements.
struct window_ids {
  const char* length[6];     // value not of 4 digits, by statement in the order above
  const char* duplicate[3];  // a second start before its end, by day class
};

// What a window statement came to.
enum class window_step {
  refused,  // reported; the statement is in error
  held,     // a start, kept until its end
  closed,   // an end: the window is in *start and *end of day class *day
};

// Takes window statement `slot` (0 to 5 in the order above) whose value word
// is `len` characters long and reads as `hhmm`. An end without a start opens
// its window at midnight.
window_step take_window(window_pairs& pairs, int slot, int len, int32_t hhmm, const window_ids& ids,
                        int* day, int32_t* start, int32_t* end);
