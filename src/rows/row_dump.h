// Diagnostic dumps of stored rows and of formatted records: the first rows in
// full hexadecimal, later ones abbreviated to a printable line.
#pragma once

// Prints stored row `row_no` (`len` bytes of `data`; 0 or less: its text
// length). From row 5 on, unless trace level 5 is on, one abbreviated line.
void proded(int row_no, const char* data, int len);

// Prints record `row_no` (from 1) of cursor `cur_name`, `len` bytes: records 1
// to 5 in full hexadecimal, later ones as an abbreviated line.
void dump_record(const char* cur_name, int row_no, const char* record, int len);

// Prints the single record of a column-function result of `cur_name`.
void dump_result_record(const char* cur_name, const char* record, int len);
