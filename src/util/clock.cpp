// The system clock and the switch that lets tests install a simulated one.
#include "util/clock.h"

#include <unistd.h>

namespace {
class SystemClock final : public Clock {
 public:
  timeval now() override {
    timeval tv;
    gettimeofday(&tv, nullptr);
    return tv;
  }
  void sleep_for(unsigned seconds) override {
    // sleep() returns early on a signal; the caller re-checks its state anyway.
    ::sleep(seconds);
  }
};

SystemClock system_clock;
Clock* installed = nullptr;
}  // namespace

Clock& current_clock() { return installed ? *installed : system_clock; }

void set_clock(Clock* clock) { installed = clock; }
