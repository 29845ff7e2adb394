// A simulated clock for tests: time stands still until a test or a sleep moves it.
#pragma once

#include "util/clock.h"

class FakeClock final : public Clock {
 public:
  explicit FakeClock(time_t start) { now_.tv_sec = start; }
  ~FakeClock() override { set_clock(nullptr); }
  timeval now() override { return now_; }
  void sleep_for(unsigned seconds) override {
    slept_ += seconds;
    now_.tv_sec += seconds;
  }
  void advance(time_t seconds) { now_.tv_sec += seconds; }
  void set(time_t t) { now_.tv_sec = t; }
  unsigned slept() const { return slept_; }
  void install() { set_clock(this); }

 private:
  timeval now_{};
  unsigned slept_ = 0;
};
