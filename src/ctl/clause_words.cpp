// Word reading and small helpers shared by the cursor clause parsers.
#include "ctl/clause_words.h"

#include <cstdint>
#include <cstdlib>

std::string_view clause_word::unquoted() const {
  if (len < 1) return {};
  char close = str[0] == 0x0E ? 0x0F : str[0];
  int n = len - 1;
  if (n > 0 && str[len - 1] == close) --n;
  return std::string_view(str + 1, n);
}

double clause_word::value() const {
  // The tokeniser keeps blanks between a mantissa and its exponent in the word.
  std::string digits;
  for (int i = 0; i < len; ++i) {
    if (str[i] != ' ') digits += str[i];
  }
  return strtod(digits.c_str(), nullptr);
}

long long clause_word::integer() const {
  std::string digits(str, len);
  return strtoll(digits.c_str(), nullptr, 10);  // saturates at LLONG_MIN/LLONG_MAX
}

clause_words::clause_words(char* start, char* end)
    : pos_(start), end_(end), saved_parens_(reader.parens), saved_failed_(reader.failed) {
  // Far from zero, so that no ')' of the clause can make the depth negative.
  reader.parens = INT32_MAX / 2;
}

clause_words::~clause_words() {
  reader.parens = saved_parens_;
  reader.failed = saved_failed_;
}

int clause_words::next(clause_word& w) {
  w = clause_word{};
  int n = get_word(pos_, end_);
  if (n < 0) return -1;
  if (n == 0 || reader.parse_word.len <= 0) return 0;
  pos_ += n;
  w.str = reader.parse_word.str;
  w.len = reader.parse_word.len;
  w.flags = reader.parse_word.flags;
  w.num_flags = reader.parse_word.num_flags;
  return 1;
}

std::string shown(const char* begin, const char* end) {
  while (end > begin && end[-1] == ' ') --end;
  return std::string(begin, end);
}

std::string shown(const char* text) { return shown(text, text + strlen(text)); }

bool copy_name(char* dst, size_t cap, const char* src, size_t len) {
  if (len >= cap) return false;
  memcpy(dst, src, len);
  dst[len] = 0;
  return true;
}

size_t span_to_blank(const char* p) {
  size_t n = 0;
  while (p[n] != 0 && p[n] != ' ') ++n;
  return n;
}

char* skip_blanks(char* p) {
  while (*p == ' ') ++p;
  return p;
}

const char* skip_blanks(const char* p) {
  while (*p == ' ') ++p;
  return p;
}
