// The text of a fetched value.
#pragma once

#include <cstring>
#include <string_view>

// A character value sits in a buffer of fixed length, zero-filled past its
// end; a value that fills the buffer has no terminator. Its text is the
// buffer's bytes up to the first NUL or to `len`. Whoever reads a value as
// text (timestamps, numbers, decodes, arithmetic, substitutions) takes it
// through here.
inline std::string_view value_text(const char* value, int len) {
  if (!value || len <= 0) return std::string_view("", 0);
  return {value, strnlen(value, static_cast<size_t>(len))};
}

// The length of the value text in the `width` bytes at `field`.
inline size_t value_len(const char* field, size_t width) { return strnlen(field, width); }

// The same for a width held as int, as printf's "%.*s" wants it.
inline int value_len(const char* field, int width) {
  return width > 0 ? static_cast<int>(strnlen(field, static_cast<size_t>(width))) : 0;
}
