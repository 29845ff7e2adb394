// OpenMetrics text of decoded answers: one gauge family per numeric column,
// the text columns as labels, names and label values made safe for the format.
#include "comm/probe_openmetrics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <set>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace {
// A label name: a metric name part that does not start with a digit and does
// not take the "__" reserved for the server's own labels.
std::string label_name(std::string_view column) {
  std::string name = metric_name_part(column);
  if (name.empty() || (name[0] >= '0' && name[0] <= '9')) name.insert(0, "_");
  if (name.starts_with("__")) name.insert(0, "l");
  return name;
}

// `name`, or the first of name_2, name_3 ... that `taken` does not hold yet;
// the result is added to `taken`.
std::string unique_name(std::string name, std::set<std::string>* taken) {
  std::string candidate = name;
  for (int n = 2; taken->count(candidate); ++n) candidate = name + "_" + std::to_string(n);
  taken->insert(candidate);
  return candidate;
}

}  // namespace

namespace {
// Bytes from `s` (`n` of them) before the first that an escape may touch: a
// backslash, a double quote, a line end or a byte above 0x7f. Sixteen at a
// time: label values of kilobytes pass through here.
size_t plain_prefix(const unsigned char* s, size_t n) {
  using bytes16 = unsigned char __attribute__((vector_size(16)));
  size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    bytes16 w;
    memcpy(&w, s + i, sizeof w);
    auto hit = (w == '\\') | (w == '"') | (w == '\n') | (w >= 0x80);
    uint64_t half[2];
    memcpy(half, &hit, sizeof half);
    if (half[0] | half[1]) break;
  }
  while (i < n && s[i] != '\\' && s[i] != '"' && s[i] != '\n' && s[i] < 0x80) ++i;
  return i;
}
}  // namespace

std::string openmetrics_escape(std::string_view v) {
  std::string out;
  out.reserve(v.size());
  const auto* s = reinterpret_cast<const unsigned char*>(v.data());
  size_t plain = 0;  // start of the bytes that go out as they are
  for (size_t i = 0; i < v.size();) {
    i += plain_prefix(s + i, v.size() - i);
    if (i == v.size()) break;
    const unsigned char c = s[i];
    if (size_t n = c >= 0x80 ? utf8_length(s + i, v.size() - i) : 0) {
      i += n;
      continue;
    }
    out.append(v, plain, i - plain);
    if (c == '\\' || c == '"') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += "\xEF\xBF\xBD";
    }
    plain = ++i;
  }
  out.append(v, plain, v.size() - plain);
  return out;
}

namespace {
// The sample value of a numeric cell, or empty when it is no number.
std::string sample_value(std::string_view text, cell_kind kind) {
  const char* first = text.data();
  const char* last = first + text.size();
  char buf[64];
  if (kind == cell_kind::integer) {
    int64_t n = 0;
    auto [end, ec] = std::from_chars(first, last, n);
    if (ec != std::errc() || end != last || text.empty()) return "";
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, n).ptr);
  }
  double d = 0;
  auto [end, ec] = std::from_chars(first, last, d);
  if (ec != std::errc() || end != last || text.empty() || std::isnan(d)) return "";
  if (std::isinf(d)) return d > 0 ? "+Inf" : "-Inf";
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, d).ptr);
}
}  // namespace

std::string metric_name_part(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    const bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    out += ok ? c : '_';
  }
  return out;
}

namespace {
// The families of one answer read through `t` (see append_openmetrics),
// handed to `sink` in pieces when one is given.
template <class Cells>
int append_families(Cells& t, std::string_view prefix, std::string_view cursor, std::string* out,
                    const text_sink& sink) {
  // The label set of every row, built once from its text columns.
  std::set<std::string> label_names;
  std::vector<std::pair<size_t, std::string>> labels;  // column, label name
  std::vector<size_t> numeric;
  for (size_t c = 0; c < t.columns(); ++c) {
    if (t.kind(c) == cell_kind::text)
      labels.emplace_back(c, unique_name(label_name(t.name(c)), &label_names));
    else
      numeric.push_back(c);
  }
  if (t.rows() == 0 || numeric.empty()) return 0;
  const std::string row_label = unique_name("row", &label_names);
  std::vector<std::string> label_sets(t.rows());
  for (size_t r = 0; r < t.rows(); ++r) {
    std::string& set = label_sets[r];
    for (const auto& [c, name] : labels) {
      if (!set.empty()) set += ',';
      set += name;
      set += "=\"";
      set += openmetrics_escape(t.cell(r, c));
      set += '"';
    }
  }
  // Views of the sets, which stay where they are from here on.
  std::unordered_set<std::string_view> distinct(label_sets.begin(), label_sets.end());
  // Samples of a family must differ in their labels.
  if (distinct.size() < label_sets.size())
    for (size_t r = 0; r < label_sets.size(); ++r)
      label_sets[r] +=
          (label_sets[r].empty() ? "" : ",") + row_label + "=\"" + std::to_string(r + 1) + "\"";

  const std::string stem = metric_name_part(prefix) + "_" + metric_name_part(cursor) + "_";
  // Room for every sample at once (a piece's worth when they go out in
  // pieces): the text of a large answer is megabytes.
  size_t sets_size = 0;
  for (const auto& set : label_sets) sets_size += set.size();
  const size_t size = numeric.size() * (sets_size + t.rows() * (stem.size() + 64));
  out->reserve(out->size() + (sink ? std::min(size, kRenderPiece + kRenderPiece / 4) : size));
  std::set<std::string> families;
  int skipped = 0;
  for (size_t c : numeric) {
    const std::string family = unique_name(stem + metric_name_part(t.name(c)), &families);
    std::string help = "Column " + t.name(c) + " of cursor " + std::string(cursor) + ".";
    *out += "# TYPE " + family + " gauge\n# HELP " + family + " " + openmetrics_escape(help) + "\n";
    for (size_t r = 0; r < t.rows(); ++r) {
      const std::string value = sample_value(t.cell(r, c), t.kind(c));
      if (value.empty()) {
        ++skipped;
        continue;
      }
      *out += family;
      if (!label_sets[r].empty()) {
        *out += '{';
        *out += label_sets[r];
        *out += '}';
      }
      *out += ' ';
      *out += value;
      *out += '\n';
      if (sink && out->size() >= kRenderPiece) sink(*out);
    }
  }
  return skipped;
}

// The closing lines: the count of skipped values and "# EOF".
void append_trailer(std::string_view prefix, std::string_view cursor, int skipped,
                    std::string* out) {
  const std::string name = metric_name_part(prefix) + "_skipped_values";
  *out += "# TYPE " + name + " gauge\n# HELP " + name +
          " Values of numeric columns that were not numbers.\n";
  *out += name + "{cursor=\"" + openmetrics_escape(cursor) + "\"} " + std::to_string(skipped) +
          "\n# EOF\n";
}
}  // namespace

int append_openmetrics(const answer_table& table, std::string_view prefix, std::string_view cursor,
                       std::string* out) {
  table_cells cells(table);
  return append_families(cells, prefix, cursor, out, {});
}

std::string format_openmetrics(const answer_table& table, std::string_view prefix,
                               std::string_view cursor) {
  std::string out;
  const int skipped = append_openmetrics(table, prefix, cursor, &out);
  append_trailer(prefix, cursor, skipped, &out);
  return out;
}

bool format_cursor_openmetrics(const probe_answer& answer, std::span<const column_layout> layout,
                               std::string_view prefix, std::string_view cursor, std::string* out,
                               const text_sink& sink) {
  if (!cursor_layout_fits(answer, layout)) return false;
  record_cells cells(answer, layout);
  const int skipped = append_families(cells, prefix, cursor, out, sink);
  append_trailer(prefix, cursor, skipped, out);
  return true;
}
