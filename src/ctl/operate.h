// Operating windows: chains of start/end seconds after midnight per day class.
#pragma once

#include <cstdint>

struct operate {
  operate* next = nullptr;
  int32_t start = 0;  // seconds after midnight
  int32_t end = 0;    // seconds after midnight; never below start (+86,400 when it wraps)
};

// The shared default window of every day class: 0 to 86,400.
extern operate full_day;
