// Decodes: the start-up edits that bind decode and iterate_where conditions to
// their columns, cursors and in-lists; the matcher that picks the operation
// holding for a field; and the applier that replaces the field, queues a
// cursor to run, or holds and releases cursors.
#pragma once

#include <cstdint>

struct curs;
struct columns;
struct decode;
struct decode_op;
struct decode_test;
struct part;
struct text_row;

// Start-up edits (also run again after cursor versions change): 0, or 1 after
// reporting every name that does not resolve.
int edit_decode();
int edit_iterate_where();

// Binds the operand of test `t` (a column, cursor.column or in-list) in
// `cur`; `id` and `fmt` (taking the operand and the cursor name) report a
// column not found. 0, or 1 after the message.
int bind_operand(curs* cur, decode_test& t, const char* id, const char* fmt);
// The same for every and-condition from `p` on, with the "'And' column" text.
int bind_and_parts(curs* cur, part* p, const char* id);

// The first operation from `first` on that holds for `field` (the value of
// `col` in the row whose text is `row`), else the last DEFAULT operation,
// else null. `null_ind` is the column's fetch indicator (negative: NULL), 0
// when it has none. Null also when a referenced row is missing (warned).
const decode_op* eval_decode(const columns* col, const char* field, const char* row,
                             int16_t null_ind, curs* cur, const decode_op* first);

// Applies the decodes `d` of one column to its field in `row`. Returns 0, or 1
// when a replacement column's cursor had no row to copy from.
int do_decode(const decode* d, char* field, char* row, int16_t null_ind, curs* cur);

// Carries out a "hold ..." or "release ..." replacement text (`text`, read for
// `len` + 1 characters) for the column of length `len` of `cur`. Returns 1
// when the text was such an action and the field must stay, else 0.
int special_decode(curs* cur, const char* text, int32_t len);

// The number a numeric field's text (after its leading blanks) holds, as
// strtod reads it; and its whole number, as strtoll reads it in base 10.
double decode_number(const char* text);
long long decode_integer(const char* text);

// The row of `cur`'s current rows whose value of `col` occurs most often (the
// value met first on a tie), or null (no rows, or no memory for the count).
text_row* get_max_occurance(curs* cur, const columns* col);

// Applies every decode of `cur` to the row text being built.
void apply_decodes(curs* cur, char* row);

// Forgets the process-wide "below" hold (tests start from here).
void reset_decode_state();
