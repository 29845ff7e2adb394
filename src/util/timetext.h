// Texts of the current local time in the collector's fixed forms, and the
// broken-down local time of a given or the current moment. The current time
// always comes from current_clock(), so tests can fix it.
#pragma once

#include <ctime>

// The forms of u_get_time. The "long" form is the one messages print when they
// name a moment ("Exiting collector at %s"); the "short" form is the banner's.
enum time_form : int {
  TIME_SLASHED = 1,  // YYYY/MM/DD HH:MM:SS (19 characters); the short form
  TIME_LONG = 2,     // the platform's "%c" representation, at most 48 characters
  TIME_CYY = 3,      // CYYMMDDHHMMSS (13 characters)
  TIME_AGENT = 4,    // CYYMMDDHHMMSS000, the agent timestamp (16 characters)
  TIME_DIGITS = 5,   // YYYYMMDDHHMMSS (14 characters); also any other number
};

// Minimum size of a buffer handed to u_get_time for any form.
constexpr int u_time_buffer_size = 49;

// Writes the current local time in `form` into `buffer` (at least
// u_time_buffer_size bytes) and returns it; with a null buffer a static one is
// used and returned, overwritten by the next call.
char* u_get_time(char* buffer, int form);

// Fills `out` (a static structure when null) with the local time of *loc. When
// loc is null or *loc is 0 the current time is used, and stored back into *loc
// when loc is given. Returns the structure filled.
struct tm* u_localtime(time_t* loc, struct tm* out);

// The local time of `t` as "YYYY/MM/DD HH:MM:SS" in a static buffer that the
// next call overwrites.
const char* timet2str(time_t t);

// The full year of a broken-down time's year value: below 1900 it counts as
// years since 1900, and below 81 as years since 2000.
inline int full_year(int tm_year) {
  if (tm_year >= 1900) return tm_year;
  return tm_year < 81 ? tm_year + 2000 : tm_year + 1900;
}
