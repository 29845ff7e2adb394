// Decoding of answers into named columns and their renderings as a table,
// csv, json and a hexadecimal dump.
#include "comm/probe_format.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {
// Value types of a column layout.
constexpr int kText = 0, kInt = 1, kFloat = 2, kTimestamp = 3, kNoSend = 4, kInt64 = 5;
// Database type of a number column.
constexpr int kNumber = 2;
// Widest table row before records are shown one column a line.
constexpr size_t kTableWidth = 160;

const uint8_t* record_at(const probe_answer& a, int32_t row) {
  return reinterpret_cast<const uint8_t*>(a.data.data()) +
         static_cast<size_t>(row) * static_cast<size_t>(a.row_len);
}

bool answer_complete(const probe_answer& a) {
  return a.rows >= 0 && a.row_len >= 0 &&
         static_cast<size_t>(a.rows) * static_cast<size_t>(a.row_len) <= a.data.size();
}

// A text value of a record: up to its first NUL, trailing blanks removed (and
// leading ones too when `leading`).
std::string_view trimmed_text(const uint8_t* at, size_t len, bool leading) {
  const void* nul = memchr(at, 0, len);
  if (nul) len = static_cast<size_t>(static_cast<const uint8_t*>(nul) - at);
  size_t start = 0;
  if (leading)
    while (start < len && at[start] == ' ') ++start;
  while (len > start && at[len - 1] == ' ') --len;
  return {reinterpret_cast<const char*>(at) + start, len - start};
}

template <class Number>
void append_number(std::string& out, Number v) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  if (ec == std::errc())
    out.append(buf, end);
  else
    out += "nan";
}

const char kHexDigits[] = "0123456789abcdef";

std::string hex_of(const uint8_t* at, size_t len) {
  std::string out(2 * len, '\0');
  for (size_t i = 0; i < len; ++i) {
    out[2 * i] = kHexDigits[at[i] >> 4];
    out[2 * i + 1] = kHexDigits[at[i] & 15];
  }
  return out;
}

// The value of one column of one record as text: a view into the record for
// texts and TS! values, else the number written into `scratch`.
std::string_view cell_text(const column_layout& c, const uint8_t* record, std::string& scratch) {
  const uint8_t* at = record + c.record_offset;
  scratch.clear();
  switch (c.value_type) {
    case kInt: {
      int32_t v;
      memcpy(&v, at, sizeof v);
      append_number(scratch, v);
      return scratch;
    }
    case kInt64: {
      int64_t v;
      memcpy(&v, at, sizeof v);
      append_number(scratch, v);
      return scratch;
    }
    case kFloat: {
      double v;
      memcpy(&v, at, sizeof v);
      append_number(scratch, v);
      return scratch;
    }
    case kTimestamp:  // the time text the collector formatted, as it is
    default:
      return trimmed_text(at, static_cast<size_t>(c.record_length),
                          c.value_type == kText && c.db_type == kNumber);
  }
}

cell_kind kind_of(const column_layout& c) {
  switch (c.value_type) {
    case kInt:
    case kInt64:
      return cell_kind::integer;
    case kFloat:
      return cell_kind::real;
    default:
      return cell_kind::text;
  }
}

// The bytes a value type occupies, when fixed.
int32_t fixed_length(int32_t value_type) {
  switch (value_type) {
    case kInt:
      return 4;
    case kInt64:
    case kFloat:
      return 8;
    case kNoSend:
      return 0;
    default:
      return -1;
  }
}

// True when every column of `layout` lies inside the answer's records.
bool layout_fits(const probe_answer& answer, std::span<const column_layout> layout) {
  if (layout.empty() || !answer_complete(answer)) return false;
  for (const column_layout& c : layout) {
    int32_t fixed = fixed_length(c.value_type);
    bool fits = c.row_size == answer.row_len && c.record_offset >= 0 && c.record_length >= 0 &&
                c.value_type >= kText && c.value_type <= kInt64 &&
                (fixed < 0 || fixed == c.record_length) &&
                static_cast<int64_t>(c.record_offset) + c.record_length <= answer.row_len;
    if (!fits) return false;
  }
  return true;
}

// The end of the run of bytes of `v` from `at` on that are printable ASCII
// other than the backslash and `quote`: the bytes that json and tables copy
// as they are. Sixteen bytes at a time.
size_t plain_run(std::string_view v, size_t at, unsigned char quote) {
  using bytes16 = unsigned char __attribute__((vector_size(16)));
  const auto* p = reinterpret_cast<const unsigned char*>(v.data());
  size_t i = at;
  for (; i + 16 <= v.size(); i += 16) {
    bytes16 w;
    memcpy(&w, p + i, sizeof w);
    auto hit = (w < 0x20) | (w >= 0x7f) | (w == '\\') | (w == quote);
    uint64_t half[2];
    memcpy(half, &hit, sizeof half);
    if (half[0] | half[1]) break;
  }
  while (i < v.size() && p[i] >= 0x20 && p[i] < 0x7f && p[i] != '\\' && p[i] != quote) ++i;
  return i;
}

// True when `v` holds a byte that makes a csv field quoted: a control
// character (C0 or DEL), a comma or a double quote. Sixteen bytes at a time:
// values of megabytes pass through here.
bool has_csv_special(std::string_view v) {
  using bytes16 = unsigned char __attribute__((vector_size(16)));
  const char* p = v.data();
  size_t i = 0;
  for (; i + 16 <= v.size(); i += 16) {
    bytes16 w;
    memcpy(&w, p + i, sizeof w);
    auto hit = (w < 0x20) | (w == 0x7f) | (w == ',') | (w == '"');
    uint64_t half[2];
    memcpy(half, &hit, sizeof half);
    if (half[0] | half[1]) return true;
  }
  for (; i < v.size(); ++i) {
    auto b = static_cast<unsigned char>(p[i]);
    if (b < 0x20 || b == 0x7f || b == ',' || b == '"') return true;
  }
  return false;
}

// Appends a csv field to `out`. Control characters are kept, but only inside
// quotes, where every csv reader takes them as part of the field.
void append_csv_field(std::string& out, std::string_view v) {
  bool quote = (!v.empty() && (v.front() == ' ' || v.back() == ' ')) || has_csv_special(v);
  if (!quote) {
    out += v;
    return;
  }
  out += '"';
  for (char ch : v) {
    if (ch == '"') out += '"';
    out += ch;
  }
  out += '"';
}

// Appends a json string. Bytes that do not form UTF-8 become U+FFFD, so that
// every record prints as valid json.
void append_json_string(std::string& out, std::string_view v) {
  out += '"';
  const auto* s = reinterpret_cast<const unsigned char*>(v.data());
  size_t plain = 0;  // start of the bytes that go out as they are
  auto flush = [&](size_t i) { out.append(v.data() + plain, i - plain); };
  for (size_t i = 0; i < v.size(); ++i) {
    if ((i = plain_run(v, i, '"')) == v.size()) break;
    unsigned char ch = s[i];
    if (ch >= 0x20 && ch < 0x80 && ch != '"' && ch != '\\') continue;
    if (ch >= 0x80) {
      if (size_t n = utf8_length(s + i, v.size() - i)) {
        i += n - 1;
        continue;
      }
    }
    flush(i);
    plain = i + 1;
    char esc[8];
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += static_cast<char>(ch);
    } else if (ch == '\n') {
      out += "\\n";
    } else if (ch == '\t') {
      out += "\\t";
    } else if (ch == '\r') {
      out += "\\r";
    } else if (ch < 0x20) {
      snprintf(esc, sizeof esc, "\\u%04x", ch);
      out += esc;
    } else {
      out += "\\ufffd";
    }
  }
  flush(v.size());
  out += '"';
}

// Appends a value as a table shows it: control characters (C0, DEL and C1)
// and bytes that are not UTF-8 as escapes, so that no value can break a line
// or reach the terminal as a command; the backslash is doubled to keep
// escapes apart.
void append_shown_text(std::string& out, std::string_view v) {
  const auto* s = reinterpret_cast<const unsigned char*>(v.data());
  size_t plain = 0;  // start of the bytes that go out as they are
  auto flush = [&](size_t i) { out.append(v.data() + plain, i - plain); };
  for (size_t i = 0; i < v.size(); ++i) {
    if ((i = plain_run(v, i, 0)) == v.size()) break;
    unsigned char ch = s[i];
    if (ch >= 0x20 && ch < 0x7f && ch != '\\') continue;
    size_t n = ch >= 0x80 ? utf8_length(s + i, v.size() - i) : 0;
    // U+0080..U+009F are controls too
    if (n > 0 && !(ch == 0xC2 && s[i + 1] < 0xA0)) {
      i += n - 1;
      continue;
    }
    flush(i);
    plain = i + 1;
    char esc[8];
    if (ch == '\\') {
      out += "\\\\";
    } else if (ch == '\n') {
      out += "\\n";
    } else if (ch == '\t') {
      out += "\\t";
    } else if (ch == '\r') {
      out += "\\r";
    } else if (n > 0) {
      snprintf(esc, sizeof esc, "\\u%04x", s[i + 1]);
      out += esc;
      plain = i + 2;
      ++i;
    } else {
      snprintf(esc, sizeof esc, "\\x%02x", ch);
      out += esc;
    }
  }
  flush(v.size());
}

// Characters of a UTF-8 text: the bytes that do not continue a sequence.
size_t char_count(std::string_view v) {
  return static_cast<size_t>(std::count_if(
      v.begin(), v.end(), [](char ch) { return (static_cast<unsigned char>(ch) & 0xC0) != 0x80; }));
}

// Hands `out` to `sink` once it holds a piece's worth.
void end_row(std::string& out, const text_sink& sink) {
  if (sink && out.size() >= kRenderPiece) sink(out);
}

// Room for a rendering of about `size` bytes: all of it, or a piece's worth
// when it goes out in pieces.
void reserve_for(std::string& out, size_t size, const text_sink& sink) {
  out.reserve(out.size() + (sink ? std::min(size, kRenderPiece + kRenderPiece / 4) : size));
}

template <class Cells>
void write_csv(Cells& t, std::string& out, const text_sink& sink) {
  // One pass to size the text: an answer may hold megabytes.
  const size_t size = t.text_size();
  reserve_for(out, size + size / 16 + 1, sink);
  for (size_t c = 0; c < t.columns(); ++c) {
    if (c) out += ',';
    append_csv_field(out, t.name(c));
  }
  out += '\n';
  for (size_t r = 0; r < t.rows(); ++r) {
    for (size_t c = 0; c < t.columns(); ++c) {
      if (c) out += ',';
      append_csv_field(out, t.cell(r, c));
    }
    out += '\n';
    end_row(out, sink);
  }
}

template <class Cells>
void write_json(Cells& t, std::string& out, const text_sink& sink) {
  // Each name with its quotes and colon, made once.
  std::vector<std::string> keys(t.columns());
  size_t keys_size = 0;
  for (size_t c = 0; c < t.columns(); ++c) {
    append_json_string(keys[c], t.name(c));
    keys[c] += ':';
    keys_size += keys[c].size() + 1;
  }
  const size_t size = t.text_size();
  reserve_for(out, size + size / 8 + t.rows() * (keys_size + 4) + 4, sink);
  out += "[\n";
  for (size_t r = 0; r < t.rows(); ++r) {
    out += '{';
    for (size_t c = 0; c < t.columns(); ++c) {
      if (c) out += ',';
      out += keys[c];
      std::string_view v = t.cell(r, c);
      if (t.kind(c) == cell_kind::text) append_json_string(out, v);
      // Values outside json's numbers (nan, inf) have no other spelling there.
      else if (!v.empty() && v.find_first_of("ni") == std::string_view::npos)
        out += v;
      else
        out += "null";
    }
    out += r + 1 < t.rows() ? "},\n" : "}\n";
    end_row(out, sink);
  }
  out += "]\n";
}

template <class Cells>
void write_table(Cells& t, std::string& out, const text_sink& sink) {
  const size_t columns = t.columns();
  std::vector<std::string> names(columns);
  std::vector<size_t> width(columns);
  for (size_t c = 0; c < columns; ++c) {
    append_shown_text(names[c], t.name(c));
    width[c] = char_count(names[c]);
  }
  std::string shown;
  for (size_t r = 0; r < t.rows(); ++r)
    for (size_t c = 0; c < columns; ++c) {
      std::string_view cell = t.cell(r, c);
      size_t w = cell.size();  // a plain value is shown as it is
      if (plain_run(cell, 0, 0) != cell.size()) {
        shown.clear();
        append_shown_text(shown, cell);
        w = char_count(shown);
      }
      width[c] = std::max(width[c], w);
    }
  size_t total = 0;
  for (size_t w : width) total += w + 2;
  if (total > kTableWidth + 2) {
    size_t name_width = 0;
    for (const auto& n : names) name_width = std::max(name_width, char_count(n));
    for (size_t r = 0; r < t.rows(); ++r) {
      out += "-[ RECORD ";
      append_number(out, r + 1);
      out += " ]-\n";
      for (size_t c = 0; c < columns; ++c) {
        out += names[c];
        out.append(name_width - char_count(names[c]), ' ');
        out += " | ";
        append_shown_text(out, t.cell(r, c));
        out += '\n';
      }
      end_row(out, sink);
    }
    return;
  }
  // A line ends without trailing blanks.
  auto end_line = [&](size_t start) {
    while (out.size() > start && out.back() == ' ') out.pop_back();
    out += '\n';
  };
  size_t start = out.size();
  for (size_t c = 0; c < columns; ++c) {
    if (c > 0) out += "  ";
    out += names[c];
    out.append(width[c] - char_count(names[c]), ' ');
  }
  end_line(start);
  for (size_t c = 0; c < columns; ++c) {
    if (c > 0) out += "  ";
    out.append(width[c], '-');
  }
  out += '\n';
  reserve_for(out, (total + 1) * t.rows(), sink);
  for (size_t r = 0; r < t.rows(); ++r) {
    start = out.size();
    for (size_t c = 0; c < columns; ++c) {
      if (c > 0) out += "  ";
      const size_t at = out.size();
      append_shown_text(out, t.cell(r, c));
      const size_t pad = width[c] - char_count(std::string_view(out).substr(at));
      if (t.kind(c) != cell_kind::text)
        out.insert(at, pad, ' ');
      else
        out.append(pad, ' ');
    }
    end_line(start);
    end_row(out, sink);
  }
}

template <class Cells>
void write_answer(Cells& t, output_format format, std::string& out, const text_sink& sink) {
  switch (format) {
    case output_format::table:
    case output_format::raw:
      return write_table(t, out, sink);
    case output_format::csv:
      return write_csv(t, out, sink);
    case output_format::json:
      return write_json(t, out, sink);
  }
}
}  // namespace

size_t table_cells::text_size() const {
  size_t size = 0;
  for (const auto& n : t_.names) size += n.size() + 1;
  for (const auto& row : t_.rows)
    for (const auto& cell : row) size += cell.size() + 1;
  return size;
}

record_cells::record_cells(const probe_answer& a, std::span<const column_layout> layout) : a_(a) {
  for (const column_layout& c : layout)
    if (c.value_type != kNoSend) cols_.push_back(&c);
}

cell_kind record_cells::kind(size_t c) const { return kind_of(*cols_[c]); }

std::string_view record_cells::cell(size_t r, size_t c) {
  return cell_text(*cols_[c], record_at(a_, static_cast<int32_t>(r)), scratch_);
}

size_t record_cells::text_size() const {
  return rows() * (static_cast<size_t>(a_.row_len) + 24 * columns());
}

size_t utf8_length(const unsigned char* s, size_t left) {
  const unsigned char b = s[0];
  size_t n = b < 0xC2 ? 0 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : b < 0xF5 ? 4 : 0;
  if (n == 0 || n > left) return 0;
  // The second byte's range depends on the first; the others are 80..BF.
  unsigned char low = 0x80, high = 0xBF;
  if (b == 0xE0) low = 0xA0;
  if (b == 0xED) high = 0x9F;
  if (b == 0xF0) low = 0x90;
  if (b == 0xF4) high = 0x8F;
  if (s[1] < low || s[1] > high) return 0;
  for (size_t i = 2; i < n; ++i)
    if ((s[i] & 0xC0) != 0x80) return 0;
  return n;
}

bool decode_status_answer(const probe_answer& answer, std::span<const status_field> fields,
                          size_t record_len, answer_table* out) {
  *out = answer_table{};
  if (static_cast<size_t>(answer.row_len) != record_len || !answer_complete(answer)) return false;
  for (const status_field& f : fields) {
    out->names.emplace_back(f.name);
    out->kinds.push_back(f.kind == status_kind::int32 ? cell_kind::integer : cell_kind::text);
  }
  for (int32_t r = 0; r < answer.rows; ++r) {
    auto& row = out->rows.emplace_back();
    for (const status_field& f : fields)
      row.push_back(render_status_field(f, record_at(answer, r)));
  }
  return true;
}

std::vector<column_layout> decode_layout_answer(const probe_answer& answer) {
  std::vector<column_layout> out;
  if (static_cast<size_t>(answer.row_len) != kColumnLayoutLen || !answer_complete(answer))
    return out;
  for (int32_t r = 0; r < answer.rows; ++r)
    out.push_back(decode_column_layout(record_at(answer, r)));
  return out;
}

bool decode_cursor_answer(const probe_answer& answer, std::span<const column_layout> layout,
                          answer_table* out) {
  *out = answer_table{};
  if (!layout_fits(answer, layout)) return false;
  record_cells cells(answer, layout);
  for (size_t c = 0; c < cells.columns(); ++c) {
    out->names.push_back(cells.name(c));
    out->kinds.push_back(cells.kind(c));
  }
  out->rows.resize(cells.rows());
  for (size_t r = 0; r < cells.rows(); ++r) {
    auto& row = out->rows[r];
    row.reserve(cells.columns());
    for (size_t c = 0; c < cells.columns(); ++c) row.emplace_back(cells.cell(r, c));
  }
  return true;
}

bool cursor_layout_fits(const probe_answer& answer, std::span<const column_layout> layout) {
  return layout_fits(answer, layout);
}

bool format_cursor_answer(const probe_answer& answer, std::span<const column_layout> layout,
                          output_format format, std::string* out, const text_sink& sink) {
  if (!layout_fits(answer, layout)) return false;
  record_cells cells(answer, layout);
  write_answer(cells, format, *out, sink);
  return true;
}

answer_table hex_records(const probe_answer& answer) {
  answer_table t;
  t.names = {"record"};
  t.kinds = {cell_kind::text};
  if (!answer_complete(answer)) return t;
  for (int32_t r = 0; r < answer.rows; ++r)
    t.rows.push_back({hex_of(record_at(answer, r), static_cast<size_t>(answer.row_len))});
  return t;
}

std::string format_answer(const answer_table& t, output_format format) {
  std::string out;
  table_cells cells(t);
  write_answer(cells, format, out, {});
  return out;
}

std::string format_raw(const probe_answer& answer, const text_sink& sink) {
  std::string out =
      "rows=" + std::to_string(answer.rows) + " row_len=" + std::to_string(answer.row_len) + "\n";
  if (!answer_complete(answer)) return out;
  // Per record its title, and per 16 bytes a line of 78 characters.
  const size_t lines = (static_cast<size_t>(answer.row_len) + 15) / 16;
  reserve_for(out, static_cast<size_t>(answer.rows) * (20 + 78 * lines), sink);
  for (int32_t r = 0; r < answer.rows; ++r) {
    out += "record ";
    append_number(out, r + 1);
    out += '\n';
    const uint8_t* rec = record_at(answer, r);
    for (int32_t at = 0; at < answer.row_len; at += 16) {
      const int32_t n = std::min(16, answer.row_len - at);
      // "oooooooo " then " xx" per byte (blanks past the end), "  |", the
      // printable characters and "|".
      char line[80];
      size_t len = 0;
      for (int shift = 28; shift >= 0; shift -= 4)
        line[len++] = kHexDigits[(static_cast<uint32_t>(at) >> shift) & 15];
      line[len++] = ' ';
      for (int32_t i = 0; i < 16; ++i) {
        line[len++] = ' ';
        line[len++] = i < n ? kHexDigits[rec[at + i] >> 4] : ' ';
        line[len++] = i < n ? kHexDigits[rec[at + i] & 15] : ' ';
      }
      line[len++] = ' ';
      line[len++] = ' ';
      line[len++] = '|';
      for (int32_t i = 0; i < n; ++i)
        line[len++] =
            rec[at + i] >= 0x20 && rec[at + i] < 0x7f ? static_cast<char>(rec[at + i]) : '.';
      line[len++] = '|';
      line[len++] = '\n';
      out.append(line, len);
    }
    end_row(out, sink);
  }
  return out;
}
