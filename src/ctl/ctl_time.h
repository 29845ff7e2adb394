// The time values the control-file parsers need: relative day numbers and
// relative seconds of the injected clock, and the texts printed in banners and
// listings. Day 1 is 1 March 1992; relative seconds count from its midnight.
#pragma once

#include <cstdint>

// Relative seconds of the current local time.
int32_t ctl_now_secs();

// Relative day number of a date text whose first 8 characters are YYYYMMDD.
int32_t ctl_day_of(const char* yyyymmdd);

// Writes the current local time as "YYYY/MM/DD HH:MM:SS" (buf: 20 bytes).
void ctl_banner_time(char* buf);

// Writes relative seconds as the 14-digit text YYYYMMDDHHMMSS (buf: 15 bytes).
void ctl_secs_text(char* buf, int32_t secs);

// Writes a relative day number as "YYYYMMDD" (buf: 9 bytes).
void ctl_day_text(char* buf, int32_t day);

// Seconds after midnight as hours * 100 + minutes (for listings).
int ctl_secs_to_hour(int32_t secs);
