// The text forms of fetched values shared by the database backends: numbers,
// dates (DD-MON-RR), raw bytes as hexadecimal, UTF-8 and UTF-16 texts, and
// placing a value into a select item's buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/db_client.h"

// Normalises a decimal number text (blanks around it, an optional sign, digits
// with an optional point, an optional exponent) into *out: no plus sign, no
// leading zeros before the units digit, no trailing zeros after the point, "0"
// for any zero. A text with an exponent is read as a double and written as
// db_double_text(value, 0, 0, 0) writes it. Returns false (and leaves *out) when
// the text is not such a number.
bool db_number_text(std::string_view text, std::string* out);

// True when `text` is already as db_number_text writes it: an optional minus
// (not before a zero), digits without leading zeros, and an optional point
// with digits that do not end in a zero.
bool db_normal_number(std::string_view text);

// Writes a double as decimal text. With a declared precision or scale the value
// is first rounded to `scale` digits after the point (a negative scale rounds to
// tens, hundreds, ...), as a NUMBER(precision, scale) column would store it.
// When `room` is not 0 and the text would be longer, fewer significant digits
// are written while that helps. Returns false for infinities and NaN.
bool db_double_text(double value, int precision, int scale, size_t room, std::string* out);

// The text of a NUMBER(precision, scale) item's value given as text:
// normalised as db_number_text does, then rounded to the scale when it has more
// digits than the scale keeps. False when the text is not a number.
bool db_declared_number_text(std::string_view text, int precision, int scale, size_t room,
                             std::string* out);

// Writes an integer, rounded to tens, hundreds, ... for a negative scale.
std::string db_integer_text(int64_t value, int scale);

// The session's date text DD-MON-RR ("05-MAR-24") of a calendar day.
std::string db_date_text(int year, int month, int day);

// Reads the day of a text that starts "YYYY-MM-DD" and ends there or goes on
// with a blank or "T" (a time). Returns false when it is not a valid day.
bool db_parse_iso_day(std::string_view text, int* year, int* month, int* day);

// Upper-case hexadecimal text of `n` bytes.
std::string db_hex_text(const void* bytes, size_t n);

// UTF-8 text as UTF-16BE; malformed bytes become U+FFFD.
std::string db_utf16be_text(std::string_view utf8);

// UTF-16 code units (host order) as UTF-8; unpaired surrogates become U+FFFD.
std::string db_utf8_text(const uint16_t* units, size_t count);

// Places a value into `it`'s buffer: the longest prefix of `value` that fits
// buf_len without splitting a character (UTF-8, or UTF-16BE when `utf16`), the
// rest of the buffer zero-filled; sets returned_octets, returned_chars and the
// indicator (0, or the value's length capped at 32767 when it was cut).
// `whole_len` is the value's full length in bytes when `value` is already a
// prefix of it, else 0. Does nothing for an item without a buffer.
void db_put_value(db_item& it, std::string_view value, bool utf16, size_t whole_len = 0);

// Places `count` UTF-16 code units (host order, at `units`, not necessarily
// aligned) as db_put_value places their UTF-8 text, when every unit is ASCII
// and they fit the buffer; returns false, changing nothing, otherwise.
bool db_put_ascii_units(db_item& it, const void* units, size_t count);

// Places a NULL: indicator -1, zero-filled buffer, returned lengths 0.
void db_put_null(db_item& it);
