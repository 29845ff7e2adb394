// Parsers of the clause statements inside a cursor block (pre_cursor, iterate,
// in_list, base, math, decode, iterate_where, set_len, column_exit) and of the
// loads, which are parsed once every cursor exists. Each clause parser takes
// the cursor receiving the statement and the rest of the statement after the
// keyword (leading blanks removed, NUL-terminated, inside the statement
// buffer); it returns 0 on success and 1 after printing its message.
#pragma once

struct curs;

[[nodiscard]] int parse_pre_cursor(curs* cur, char* rest);
[[nodiscard]] int parse_iterate(curs* cur, char* rest);
[[nodiscard]] int parse_in_list(curs* cur, char* rest);
[[nodiscard]] int parse_base(curs* cur, char* rest);
[[nodiscard]] int parse_math(curs* cur, char* rest);
[[nodiscard]] int parse_decode(curs* cur, char* rest);
[[nodiscard]] int parse_iterate_where(curs* cur, char* rest);
[[nodiscard]] int parse_set_len(curs* cur, char* rest);
[[nodiscard]] int parse_col_ex(curs* cur, char* rest);

// Parses the load texts of every cursor once all cursors exist. Returns 0 on
// success, 1 after reporting.
[[nodiscard]] int parse_loads();

// Appends a load text record holding `rest` to the cursor's load list.
[[nodiscard]] int add_load_text(curs* cur, const char* rest);
