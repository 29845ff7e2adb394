// Operating windows: the next window of a process or a cursor, from its
// day-class window lists (and, for a process, its holidays), in relative
// seconds (day 1 is 1 March 1992; day D's weekday is D mod 7, 0 Saturday).
#pragma once

#include <cstdint>

struct distributor;
struct curs;

// Sets d->window_start/window_end to the first window, on a day that is not a
// holiday, whose end lies after `now`. Returns 0.
int set_window(distributor* d, int32_t now);

// Sets c->window_open/window_close the same way, without holidays. Demand and
// held cursors, and once cursors that already hold rows, are left alone.
// Returns 0.
int set_window_c(curs* c, int32_t now);
