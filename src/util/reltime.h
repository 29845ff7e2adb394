// Time arithmetic of the scheduler: relative day numbers (day 1 is 1 March
// 1992, so the weekday of day D is D mod 7 with 0 Saturday, 1 Sunday, 2..6
// Monday to Friday), relative seconds (day number x 86,400 plus seconds after
// midnight) and 14-digit local time texts YYYYMMDDHHMMSS.
#pragma once

#include <cstdint>

// Relative seconds; 64 bits so that times past 2060 stay exact.
using rel_secs = int64_t;

constexpr int32_t kSecondsPerDay = 86400;

// The relative day number of the date in the first 8 digits (YYYYMMDD) of
// `text`. A year below 1900 is read as 20YY when below 81, else 19YY.
int32_t relative_date(const char* text);

// The relative seconds of the 14-digit time text `text`.
rel_secs relative_sec(const char* text);

// Writes the date of day number `days` as "YYYYMMDD" (9 bytes with the
// terminator) into `buffer` and returns it. Exact inverse of relative_date for
// every date from 1 March 1992 on.
char* real_date(char* buffer, int32_t days);

// Writes the 14-digit time text of relative seconds `secs` (15 bytes with the
// terminator) into `buffer` and returns it.
char* secs_to_date(char* buffer, rel_secs secs);

// Writes the current local time as the 14-digit time text (15 bytes) and
// returns `buffer`.
char* get_time(char* buffer);

// Writes the current local time as "YYYY/MM/DD HH:MM:SS" (20 bytes) and
// returns `buffer`.
char* form_time(char* buffer);

// Seconds after midnight as hours x 100 + minutes (for printing windows).
int32_t secs_to_hour(int32_t secs);
