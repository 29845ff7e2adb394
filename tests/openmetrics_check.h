// A strict reader of OpenMetrics text for tests: what a scraper that follows
// the format to the letter would refuse. Covers the gauge, counter and
// unknown families the probe and the exporter write.
#pragma once

#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

// Returns "" when `text` is a valid exposition, else the first fault and its
// line: metadata after a family's samples or families interleaved, a sample
// name that does not belong to its family, bad metric or label names, a
// label given twice, escapes other than \\ \" \n, a value that is no number,
// two samples with one label set, bytes that are not UTF-8, or anything but
// one "# EOF" line at the very end.
inline std::string openmetrics_fault(const std::string& text) {
  static const std::regex meta(R"(# (TYPE|HELP|UNIT) ([a-zA-Z_:][a-zA-Z0-9_:]*) (.*))");
  static const std::regex sample(R"(([a-zA-Z_:][a-zA-Z0-9_:]*)(\{(.*)\})? (\S+))");
  static const std::regex label(R"(([a-zA-Z_][a-zA-Z0-9_]*)=\"((?:[^"\\]|\\[\\"n])*)\"(,|$))");
  static const std::regex number(R"([+-]?(Inf|NaN|[0-9]+(\.[0-9]*)?([eE][+-]?[0-9]+)?))");
  static const std::regex escaped(R"((?:[^\\]|\\[\\"n])*)");
  static const std::set<std::string> types = {"gauge", "counter", "unknown"};
  // Well-formed UTF-8 throughout (std::regex works on bytes): no stray or
  // missing continuation bytes, overlong forms, surrogates or values past U+10FFFF.
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    const size_t len = b < 0x80                ? 1
                       : b >= 0xC2 && b < 0xE0 ? 2
                       : b >= 0xE0 && b < 0xF0 ? 3
                       : b >= 0xF0 && b < 0xF5 ? 4
                                               : 0;
    if (len == 0 || i + len > text.size()) return "not UTF-8";
    unsigned cp = len == 1 ? b : b & (0x7F >> len);
    for (size_t k = 1; k < len; ++k) {
      const auto c = static_cast<unsigned char>(text[i + k]);
      if ((c & 0xC0) != 0x80) return "not UTF-8";
      cp = cp << 6 | (c & 0x3F);
    }
    const unsigned least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < least[len] || (cp >= 0xD800 && cp < 0xE000) || cp > 0x10FFFF) return "not UTF-8";
    i += len;
  }
  if (!text.ends_with("# EOF\n")) return "no \"# EOF\" line at the end";
  std::istringstream in(text.substr(0, text.size() - 6));
  std::string family, type;      // the family being read and its type
  std::set<std::string> done;    // families read before it
  std::set<std::string> series;  // label sets of its samples
  bool sampled = false;          // it has samples already
  std::map<std::string, int> metas;
  int n = 0;
  for (std::string line; std::getline(in, line);) {
    const std::string at = " (line " + std::to_string(++n) + ": " + line + ")";
    std::smatch m;
    if (std::regex_match(line, m, meta)) {
      if (m[2] != family) {
        if (!family.empty()) done.insert(family);
        if (done.count(m[2])) return "family given twice" + at;
        family = m[2], type = "unknown", sampled = false, series.clear(), metas.clear();
      }
      if (sampled || ++metas[m[1]] > 1) return "metadata out of place" + at;
      if (m[1] == "TYPE" && !types.count(type = m[3])) return "unknown type" + at;
      if (m[1] == "HELP" && !std::regex_match(m[3].str(), escaped)) return "bad escape" + at;
      continue;
    }
    if (line.starts_with("#") || !std::regex_match(line, m, sample)) return "not a sample" + at;
    const std::string sample_name = m[1];
    const bool belongs =
        type == "counter" ? sample_name == family + "_total" || sample_name == family + "_created"
                          : sample_name == family;
    // A sample of no family read so far opens one of unknown type.
    if (!belongs) {
      if (!family.empty()) done.insert(family);
      if (done.count(sample_name)) return "sample outside its family" + at;
      family = sample_name, type = "unknown", series.clear(), metas.clear();
    }
    sampled = true;
    std::string labels = m[3], set;
    std::set<std::string> names;
    for (std::smatch l; !labels.empty(); labels = l.suffix()) {
      if (!std::regex_search(labels, l, label) || l.position() != 0) return "bad label" + at;
      if (l[1].str().starts_with("__") || !names.insert(l[1]).second) return "bad label name" + at;
      set += l[0];
    }
    if (!std::regex_match(m[4].str(), number)) return "value is no number" + at;
    if (!series.insert(set).second) return "label set given twice" + at;
  }
  return "";
}
