// The text of a value in a row. A character value is zero-filled past its end
// in its place, so its text ends at its first NUL: whatever compares, copies,
// justifies, cuts or substitutes a value takes this length, never the length
// of its place.
#pragma once

#include <cstdint>
#include <cstring>

// Length of the value text at `place`, whose place is `len` bytes long.
inline int32_t value_len(const char* place, int32_t len) {
  return len > 0 ? static_cast<int32_t>(strnlen(place, static_cast<size_t>(len))) : 0;
}
