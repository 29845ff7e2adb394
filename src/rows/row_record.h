// The probe's fixed-width binary record `row_record`: its layout per cursor
// (get_row_size) and its making from a stored row (make_row), with the text to
// integer, 64-bit integer, float and timestamp conversions.
#pragma once

#include <cstdint>

struct curs;

// The bytes of `cur`'s record as its columns stand now, binary columns aligned;
// may exceed what a record can hold (MAX_ROW_RECORD). Changes nothing.
int64_t record_width(const curs* cur);

// Lays out `cur`'s record: sets every column's record_offset (binary columns
// aligned to 4 or 8 bytes, their set_length cleared) and returns the record
// size, which is also stored in `cur`'s row_size. A cursor without columns has
// size 0. A record wider than MAX_ROW_RECORD is reported and not laid out:
// the result is -1, row_size 0, and no record may be made.
int32_t get_row_size(curs* cur);

// Writes the record of one stored row into `out`, which must hold `cur`'s
// row_size bytes (get_row_size first); `text` is the row's text. Bytes of `out`
// that no column covers are left as they are. Conversion errors never fail:
// out-of-range integers saturate, unparsable text converts to 0. Returns 0.
int make_row(curs* cur, char* out, const char* text);

// The sign of `value`: -1, 0 or 1.
int qvzsign(int64_t value);

// Converts `text` as a base-10 64-bit integer into `*out` (cleared first).
// Returns the errno value the conversion left (0 on success, ERANGE when out of
// range, the value then saturated); -1 when `text` or `out` is missing.
int qvzstrtoll(const char* text, int64_t* out);
