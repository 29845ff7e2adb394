// The wall clock and sleeping, behind an interface so that schedules, windows
// and retention can be tested in simulated time.
#pragma once

#include <sys/time.h>

#include <ctime>

class Clock {
 public:
  virtual ~Clock() = default;
  // The current wall-clock time.
  virtual timeval now() = 0;
  // Sleeps (or, in simulated time, advances the clock) by `seconds`.
  virtual void sleep_for(unsigned seconds) = 0;
};

// The clock in use: the system clock unless a test installed its own.
Clock& current_clock();

// Installs `clock` (borrowed; must outlive its use); null restores the system clock.
void set_clock(Clock* clock);

// Seconds since the epoch from the clock in use.
inline time_t clock_time() { return current_clock().now().tv_sec; }
