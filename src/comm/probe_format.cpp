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

std::string trimmed_text(const uint8_t* at, size_t len, bool leading) {
  const void* nul = memchr(at, 0, len);
  if (nul) len = static_cast<size_t>(static_cast<const uint8_t*>(nul) - at);
  size_t start = 0;
  if (leading)
    while (start < len && at[start] == ' ') ++start;
  while (len > start && at[len - 1] == ' ') --len;
  return std::string(reinterpret_cast<const char*>(at) + start, len - start);
}

std::string real_text(double v) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return ec == std::errc() ? std::string(buf, end) : std::string("nan");
}

std::string hex_of(const uint8_t* at, size_t len) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(2 * len);
  for (size_t i = 0; i < len; ++i) {
    out += kDigits[at[i] >> 4];
    out += kDigits[at[i] & 15];
  }
  return out;
}

// The value of one column of one record as text.
std::string cell_of(const column_layout& c, const uint8_t* record) {
  const uint8_t* at = record + c.record_offset;
  switch (c.value_type) {
    case kInt: {
      int32_t v;
      memcpy(&v, at, sizeof v);
      return std::to_string(v);
    }
    case kInt64: {
      int64_t v;
      memcpy(&v, at, sizeof v);
      return std::to_string(v);
    }
    case kFloat: {
      double v;
      memcpy(&v, at, sizeof v);
      return real_text(v);
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

// True when `v` holds a byte that makes a csv field quoted: a control
// character (C0 or DEL), a comma or a double quote. Sixteen bytes at a time:
// values of megabytes pass through here.
bool has_csv_special(const std::string& v) {
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
void append_csv_field(std::string& out, const std::string& v) {
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

// A json string. Bytes that do not form UTF-8 become U+FFFD, so that every
// record prints as valid json.
std::string json_string(const std::string& v) {
  std::string out = "\"";
  const auto* s = reinterpret_cast<const unsigned char*>(v.data());
  for (size_t i = 0; i < v.size(); ++i) {
    unsigned char ch = s[i];
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
    } else if (ch < 0x80) {
      out += static_cast<char>(ch);
    } else if (size_t n = utf8_length(s + i, v.size() - i)) {
      out.append(v, i, n);
      i += n - 1;
    } else {
      out += "\\ufffd";
    }
  }
  return out + '"';
}

// A value as a table shows it: control characters (C0, DEL and C1) and bytes
// that are not UTF-8 as escapes, so that no value can break a line or reach
// the terminal as a command; the backslash is doubled to keep escapes apart.
std::string shown_text(const std::string& v) {
  std::string out;
  const auto* s = reinterpret_cast<const unsigned char*>(v.data());
  for (size_t i = 0; i < v.size(); ++i) {
    unsigned char ch = s[i];
    char esc[8];
    if (ch == '\\') {
      out += "\\\\";
    } else if (ch == '\n') {
      out += "\\n";
    } else if (ch == '\t') {
      out += "\\t";
    } else if (ch == '\r') {
      out += "\\r";
    } else if (ch < 0x20 || ch == 0x7f) {
      snprintf(esc, sizeof esc, "\\x%02x", ch);
      out += esc;
    } else if (ch < 0x80) {
      out += static_cast<char>(ch);
    } else if (size_t n = utf8_length(s + i, v.size() - i)) {
      if (ch == 0xC2 && s[i + 1] < 0xA0) {  // U+0080..U+009F
        snprintf(esc, sizeof esc, "\\u%04x", s[i + 1]);
        out += esc;
      } else {
        out.append(v, i, n);
      }
      i += n - 1;
    } else {
      snprintf(esc, sizeof esc, "\\x%02x", ch);
      out += esc;
    }
  }
  return out;
}

// Characters of a UTF-8 text: the bytes that do not continue a sequence.
size_t char_count(const std::string& v) {
  return static_cast<size_t>(std::count_if(
      v.begin(), v.end(), [](char ch) { return (static_cast<unsigned char>(ch) & 0xC0) != 0x80; }));
}

std::string json_value(const std::string& v, cell_kind kind) {
  if (kind == cell_kind::text) return json_string(v);
  // Values outside json's numbers (nan, inf) have no other spelling there.
  bool finite = !v.empty() && v.find_first_of("ni") == std::string::npos;
  return finite ? v : "null";
}

std::string format_table(const answer_table& raw) {
  answer_table t = raw;
  for (auto& n : t.names) n = shown_text(n);
  for (auto& row : t.rows)
    for (auto& cell : row) cell = shown_text(cell);
  std::vector<size_t> width(t.names.size());
  for (size_t c = 0; c < t.names.size(); ++c) {
    width[c] = char_count(t.names[c]);
    for (const auto& row : t.rows) width[c] = std::max(width[c], char_count(row[c]));
  }
  size_t total = 0;
  for (size_t w : width) total += w + 2;
  std::string out;
  if (total > kTableWidth + 2) {
    size_t name_width = 0;
    for (const auto& n : t.names) name_width = std::max(name_width, char_count(n));
    for (size_t r = 0; r < t.rows.size(); ++r) {
      out += "-[ RECORD " + std::to_string(r + 1) + " ]-\n";
      for (size_t c = 0; c < t.names.size(); ++c)
        out += t.names[c] + std::string(name_width - char_count(t.names[c]), ' ') + " | " +
               t.rows[r][c] + "\n";
    }
    return out;
  }
  auto line = [&](const std::vector<std::string>& cells, bool header) {
    std::string l;
    for (size_t c = 0; c < cells.size(); ++c) {
      if (c > 0) l += "  ";
      std::string pad(width[c] - char_count(cells[c]), ' ');
      bool right = !header && t.kinds[c] != cell_kind::text;
      l += right ? pad + cells[c] : cells[c] + pad;
    }
    while (!l.empty() && l.back() == ' ') l.pop_back();
    return l + "\n";
  };
  out += line(t.names, true);
  std::string dashes;
  for (size_t c = 0; c < width.size(); ++c) dashes += (c ? "  " : "") + std::string(width[c], '-');
  out += dashes + "\n";
  for (const auto& row : t.rows) out += line(row, false);
  return out;
}
}  // namespace

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
  if (layout.empty() || !answer_complete(answer)) return false;
  for (const column_layout& c : layout) {
    int32_t fixed = fixed_length(c.value_type);
    bool fits = c.row_size == answer.row_len && c.record_offset >= 0 && c.record_length >= 0 &&
                c.value_type >= kText && c.value_type <= kInt64 &&
                (fixed < 0 || fixed == c.record_length) &&
                static_cast<int64_t>(c.record_offset) + c.record_length <= answer.row_len;
    if (!fits) return false;
  }
  for (const column_layout& c : layout) {
    if (c.value_type == kNoSend) continue;
    out->names.push_back(c.name);
    out->kinds.push_back(kind_of(c));
  }
  out->rows.reserve(static_cast<size_t>(answer.rows));
  for (int32_t r = 0; r < answer.rows; ++r) {
    auto& row = out->rows.emplace_back();
    row.reserve(out->names.size());
    const uint8_t* record = record_at(answer, r);
    for (const column_layout& c : layout)
      if (c.value_type != kNoSend) row.push_back(cell_of(c, record));
  }
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
  switch (format) {
    case output_format::table:
    case output_format::raw:
      return format_table(t);
    case output_format::csv: {
      // One pass to size the text: an answer may hold megabytes.
      size_t size = 0;
      for (const auto& n : t.names) size += n.size() + 1;
      for (const auto& row : t.rows)
        for (const auto& cell : row) size += cell.size() + 1;
      out.reserve(size + size / 16 + 1);
      for (size_t c = 0; c < t.names.size(); ++c) {
        if (c) out += ',';
        append_csv_field(out, t.names[c]);
      }
      out += '\n';
      for (const auto& row : t.rows) {
        for (size_t c = 0; c < row.size(); ++c) {
          if (c) out += ',';
          append_csv_field(out, row[c]);
        }
        out += '\n';
      }
      return out;
    }
    case output_format::json:
      out = "[\n";
      for (size_t r = 0; r < t.rows.size(); ++r) {
        out += "{";
        for (size_t c = 0; c < t.names.size(); ++c)
          out +=
              (c ? "," : "") + json_string(t.names[c]) + ":" + json_value(t.rows[r][c], t.kinds[c]);
        out += r + 1 < t.rows.size() ? "},\n" : "}\n";
      }
      return out + "]\n";
  }
  return out;
}

std::string format_raw(const probe_answer& answer) {
  std::string out =
      "rows=" + std::to_string(answer.rows) + " row_len=" + std::to_string(answer.row_len) + "\n";
  if (!answer_complete(answer)) return out;
  for (int32_t r = 0; r < answer.rows; ++r) {
    out += "record " + std::to_string(r + 1) + "\n";
    const uint8_t* rec = record_at(answer, r);
    for (int32_t at = 0; at < answer.row_len; at += 16) {
      int32_t n = std::min(16, answer.row_len - at);
      char line[128];
      int len = snprintf(line, sizeof line, "%08x ", static_cast<unsigned>(at));
      std::string text;
      for (int32_t i = 0; i < 16; ++i) {
        if (i < n)
          len += snprintf(line + len, sizeof line - static_cast<size_t>(len), " %02x", rec[at + i]);
        else
          len += snprintf(line + len, sizeof line - static_cast<size_t>(len), "   ");
        if (i < n)
          text += rec[at + i] >= 0x20 && rec[at + i] < 0x7f ? static_cast<char>(rec[at + i]) : '.';
      }
      out += std::string(line, static_cast<size_t>(len)) + "  |" + text + "|\n";
    }
  }
  return out;
}
