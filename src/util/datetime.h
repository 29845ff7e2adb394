// Date-time normalisation: turns a date-time text as a database or an external
// program delivers it into the 16-character agent timestamp CYYMMDDHHMMSSmmm
// (CYY = years since 1900 in three digits, milliseconds always 000).
#pragma once

// Width of an agent timestamp; the output area receives exactly this many
// characters and no terminator.
constexpr int kAgentTimestampSize = 16;

// Normalises the date-time text `input` of `length` characters (below 1: the
// text is terminated and its own length is used; at most 99 characters are
// read) into `output`. Accepted shapes: month/day/year, year/month/day (first
// number 13 or more) and day-month-year followed by a time "HH:MM:SS" (":" or
// "." separators, fractions ignored) or "HHMMSS"; digits-only texts in CYY,
// YYYY and YY forms; the reserved values "000000000000000" followed by 0..3.
// An empty text gives 16 blanks. Returns 0 on success, otherwise the error
// number, which the output shows as "DateFmtErr=%d" padded with blanks.
int us_normalizeDateTime(const char* input, int length, char* output);
