// How the SQLite backend describes a select item: the declared type of its
// column, or for an expression the storage class of its first value, mapped
// onto the client's type codes and sizes.
#pragma once

#include <cstdint>

// The description of one SQLite select item.
struct sqlite_type {
  int16_t type = 0;         // client type code
  int32_t length = 0;       // declared length in bytes
  int16_t precision = 0;    // NUMBER precision, 0 when not declared
  int16_t scale = 0;        // NUMBER scale
  int32_t chars = 0;        // character items: declared characters
  int32_t bytes = 0;        // declared bytes
  int16_t nls = 0;          // national-character flag
  bool from_value = false;  // no declared type: taken from the first value's storage class
  bool untyped = false;     // no declared type and no value to take one from: the default
};

// Maps a declared type (null or empty for an expression) and, for an
// expression, the storage class of its first value (SQLITE_NULL when there is
// no row).
sqlite_type sqlite_item_type(const char* decltype_text, int storage);
