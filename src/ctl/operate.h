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

class record_arena;

// Appends a window (start, end: seconds after midnight) at the end of `*list`,
// the record taken from `arena`; an end below the start is raised by 86,400.
// Returns 0.
int set_operate(operate** list, int32_t start, int32_t end, record_arena& arena);

// HHMM (a value such as 830 for 08:30) as seconds after midnight.
inline int32_t hhmm_seconds(int32_t hhmm) { return hhmm / 100 * 3600 + hhmm % 100 * 60; }
