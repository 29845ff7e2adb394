// The text of a character value. A value lies in a fixed-width area of its row
// or fetch buffer and is zero-filled past its end, so its text ends at its
// first NUL, or at the area's end when it fills the area. Whatever compares,
// concatenates, justifies, cuts or substitutes a value measures it here.
#pragma once

#include <cstring>

// The length of the value text in the `width` bytes at `field`.
inline size_t value_len(const char* field, size_t width) { return strnlen(field, width); }
