// The probe's reading of answers: status and layout records decoded through
// their field tables, a cursor's records decoded into named columns with the
// cursor's column layout, and the renderings for people (table), scripts
// (csv, json) and inspection (raw hexadecimal).
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "comm/probe_request.h"
#include "comm/status_record.h"

// How a column's values are written in json (and aligned in a table).
enum class cell_kind {
  text,     // a string
  integer,  // a decimal integer
  real,     // a decimal floating-point number; "nan" and "inf" become null in json
};

// An answer decoded into named columns. Every row has one value per name.
struct answer_table {
  std::vector<std::string> names;
  std::vector<cell_kind> kinds;
  std::vector<std::vector<std::string>> rows;
};

enum class output_format { table, csv, json, raw };

// Takes a rendering's text so far and empties it. Given one, a rendering of
// megabytes goes out in pieces (each ending with a whole record) instead of
// being held whole; what is left at the end is returned as usual.
using text_sink = std::function<void(std::string&)>;

// Bytes of a rendering handed on at once when it goes out in pieces.
inline constexpr size_t kRenderPiece = 256 << 10;

// The renderings read their cells through one of these two: a decoded table,
// or a cursor's records read in place through the sent columns of a layout
// that fits them (cursor_layout_fits). A cell's text stays valid until the
// next cell is read.
class table_cells {
 public:
  explicit table_cells(const answer_table& t) : t_(t) {}
  size_t rows() const { return t_.rows.size(); }
  size_t columns() const { return t_.names.size(); }
  const std::string& name(size_t c) const { return t_.names[c]; }
  cell_kind kind(size_t c) const { return t_.kinds[c]; }
  std::string_view cell(size_t r, size_t c) { return t_.rows[r][c]; }
  // The bytes of all names and cells, each with one more for its separator.
  size_t text_size() const;

 private:
  const answer_table& t_;
};

class record_cells {
 public:
  record_cells(const probe_answer& a, std::span<const column_layout> layout);
  size_t rows() const { return static_cast<size_t>(a_.rows); }
  size_t columns() const { return cols_.size(); }
  const std::string& name(size_t c) const { return cols_[c]->name; }
  cell_kind kind(size_t c) const;
  std::string_view cell(size_t r, size_t c);
  // At most the records' bytes, numbers written out at their longest.
  size_t text_size() const;

 private:
  const probe_answer& a_;
  std::vector<const column_layout*> cols_;
  std::string scratch_;
};

// Decodes an answer of fixed-width records described by `fields` (the status
// or layout records). Returns false, leaving `out` empty, when the answer's
// row length differs from `record_len`.
bool decode_status_answer(const probe_answer& answer, std::span<const status_field> fields,
                          size_t record_len, answer_table* out);

// The column layouts of a "C-LAYOUT" answer, in column order; empty when the
// answer is not made of layout records.
std::vector<column_layout> decode_layout_answer(const probe_answer& answer);

// Decodes a cursor's records with its column layout: text and TS! values up
// to their first NUL with trailing blanks removed (number texts also without
// leading blanks), INT! and INT64! as decimal integers, FLOAT! as the shortest
// decimal form that reads back to the same double; NS! columns are left out.
// Integers and doubles are read in host byte order, as the collector on the
// same host wrote them. Returns false, leaving `out` empty, when the layout
// does not describe the records (its record size differs from the row length,
// or a column lies outside the record).
bool decode_cursor_answer(const probe_answer& answer, std::span<const column_layout> layout,
                          answer_table* out);

// True when `layout` describes the records, as decode_cursor_answer and
// format_cursor_answer need.
bool cursor_layout_fits(const probe_answer& answer, std::span<const column_layout> layout);

// Renders a cursor's records with its column layout as format_answer renders
// what decode_cursor_answer makes of them, straight into `out` (appended)
// without a table of cell texts in between. Returns false, leaving `out`
// untouched, when the layout does not describe the records.
bool format_cursor_answer(const probe_answer& answer, std::span<const column_layout> layout,
                          output_format format, std::string* out, const text_sink& sink = {});

// A cursor answer without a usable layout: one text column "record" holding
// each record in hexadecimal.
answer_table hex_records(const probe_answer& answer);

// Length of the well-formed UTF-8 sequence at `s` (`left` bytes readable), or
// 0 when it is not one: overlong forms, surrogates and code points above
// U+10FFFF are refused.
size_t utf8_length(const unsigned char* s, size_t left);

// Renders a decoded answer. table: a header line, a line of dashes and one
// line per row, columns separated by two blanks, numbers right-aligned, widths
// in characters; rows wider than 160 characters are shown one "name | value"
// line per column under a "-[ RECORD n ]-" line instead; control characters
// and bytes that are not UTF-8 are shown as escapes (\n, \t, \r, \xNN, \u00NN
// for C1) and a backslash as two. csv: a header line and one line per row,
// fields quoted when they hold a comma, a double quote, a control character
// or leading or trailing blanks (quotes doubled). json: an array with one
// object per row, one row per line, always valid UTF-8 (bytes that are not
// are replaced by U+FFFD). Every line ends with "\n".
std::string format_answer(const answer_table& table, output_format format);

// The raw rendering: "rows=R row_len=W", then per record "record N" and a
// hexadecimal dump, 16 bytes a line: offset (8 hex digits), the bytes, and
// their printable characters between bars.
std::string format_raw(const probe_answer& answer, const text_sink& sink = {});
