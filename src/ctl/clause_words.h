// Word reading shared by the cursor clause parsers: a cursor over one clause
// text that cuts it with the statement tokeniser, and the small helpers every
// clause record needs (bounded name copies, chain appends, message texts).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "ctl/reader.h"

// One word of a clause text, copied out of the tokeniser's current word. `str`
// points into the text being read and is valid while that text is.
struct clause_word {
  char* str = nullptr;
  int len = 0;
  uint16_t flags = 0;      // wf_* bits
  uint16_t num_flags = 0;  // nf_* bits

  bool numeric() const { return (num_flags & nf_numeric) != 0; }
  // True for a word opened by a quote: single, double or shift-out.
  bool quoted() const {
    return len > 0 && (str[0] == '\'' || str[0] == '"' || str[0] == 0x0E) && !numeric();
  }
  // True when the word is exactly `text`.
  bool is(const char* text) const {
    return strlen(text) == static_cast<size_t>(len) && memcmp(str, text, len) == 0;
  }
  // True when the word is exactly `lower` or exactly `upper`.
  bool is_either(const char* lower, const char* upper) const { return is(lower) || is(upper); }
  bool is_char(char c) const { return len == 1 && str[0] == c; }
  // True for a word that can name a column: not a parenthesis, comma or operator.
  bool is_name() const {
    return len > 0 && (flags & (wf_paren | wf_comma | wf_compare | wf_arith | wf_concat)) == 0;
  }
  std::string text() const { return std::string(str, len); }
  // The text between the quotes of a quoted word; the closing quote is left
  // out when the word ends with it.
  std::string_view unquoted() const;
  // The value of a numeric word as written (blanks inside an exponent ignored).
  double value() const;
  // The integer value of a numeric word: its leading sign and digits,
  // saturating at the 64-bit limits.
  long long integer() const;
};

// Reads the words of [start, end) one by one. While it lives, the statement's
// parenthesis depth is set aside so that a clause counts its own parentheses
// (a stray ')' is the clause's error, not the tokeniser's); the depth and the
// syntax-error flag of the statement are restored when it goes.
class clause_words {
 public:
  clause_words(char* start, char* end);
  ~clause_words();
  clause_words(const clause_words&) = delete;
  clause_words& operator=(const clause_words&) = delete;

  // Reads the next word into `w`: 1 for a word, 0 at the end of the text, -1
  // after a tokeniser error (reader.message holds its text). `w` is cleared
  // unless 1 is returned.
  int next(clause_word& w);
  // Where the next word is looked for.
  char* position() const { return pos_; }
  // Continues reading at `p`, a position inside the text (after a nested parse).
  void seek(char* p) { pos_ = p; }

 private:
  char* pos_;
  char* end_;
  int32_t saved_parens_;
  int16_t saved_failed_;
};

// The statement text as shown in messages: trailing blanks (the reader pads
// every statement with four) removed.
std::string shown(const char* text);
std::string shown(const char* begin, const char* end);

// Copies `len` characters into the NUL-terminated array `dst` of `cap` bytes.
// Returns false, copying nothing, when they do not fit with their terminator.
bool copy_name(char* dst, size_t cap, const char* src, size_t len);

// Length of the text at `p` up to the first blank or the end.
size_t span_to_blank(const char* p);
// `p` advanced past blanks.
char* skip_blanks(char* p);
const char* skip_blanks(const char* p);

// Appends `rec` at the end of the chain starting at `head`. Chains may be
// shared by several cursor versions, so the end is found by walking the chain.
template <class T>
void append_chain(T*& head, T* rec) {
  T** at = &head;
  while (*at != nullptr) at = &(*at)->next;
  *at = rec;
}
