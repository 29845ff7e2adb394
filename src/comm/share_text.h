// Small text helpers of the shared-memory transport: reading a field that a
// partner may have left unterminated, the time in messages, and the cursor
// name inside a unique request id.
#pragma once

#include <cstring>
#include <ctime>
#include <string>

#include "util/timetext.h"

// The text in a field of at most `max` characters, terminated or not.
inline std::string bounded_text(const char* field, size_t max) {
  return std::string(field, strnlen(field, max));
}

// `t` as local time "YYYY/MM/DD HH:MM:SS".
inline std::string time_text(time_t t) { return timet2str(t); }

// The request name in a unique id "name-time-counter".
inline std::string unique_name(const std::string& unique) {
  size_t counter = unique.rfind('-');
  if (counter == std::string::npos || counter == 0) return unique;
  size_t time = unique.rfind('-', counter - 1);
  return time == std::string::npos ? unique : unique.substr(0, time);
}
