// The statement reader: tokeniser, syntax-error texts, word-list lookups and
// statement assembly shared by the control-file parsers.
#include "ctl/reader.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstring>

#include "util/print.h"
#include "util/trace.h"

reader_state reader;

void reset_reader_state() { reader = reader_state{}; }

bool ctl_tracing() { return tracing.trace_something != 0 || trace_on(8); }

int ctl_trace(const char* id, const char* fmt, ...) {
  if (!ctl_tracing()) return 0;
  va_list ap;
  va_start(ap, fmt);
  int n = VPRINT('t', id, fmt, ap);
  va_end(ap);
  return n;
}

namespace {

constexpr char local_hv = ':';
constexpr char not_sign = '~';
constexpr char shift_out = 0x0E;
constexpr char shift_in = 0x0F;
// Longest quoted stretch accepted (the buffer less its terminator and one quote).
constexpr long max_quoted = 15998;

// The characters that end a number.
bool is_terminator(char c) { return c != 0 && strchr(" ,():?+/*-=<>~", c) != nullptr; }
bool is_math_op(char c) { return c == '+' || c == '-' || c == '*' || c == '/'; }
bool is_logical_op(char c) { return c == '<' || c == '>' || c == '=' || c == '~' || c == '|'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

int finish(char* start, char* word_end, long len) {
  // Only text handed in from outside the statement buffer can be this long.
  if (len > INT16_MAX) return errmsg("Excessive word length", word_end - len, 255, 0);
  reader.parse_word.len = static_cast<int16_t>(len);
  reader.this_len = static_cast<int32_t>(word_end - start);
  return reader.this_len;
}

int one_char(char* start, char* p, uint16_t flags) {
  reader.parse_word.str = p;
  reader.parse_word.pos = buffer_pos(p);
  reader.parse_word.flags |= flags;
  return finish(start, p + 1, 1);
}

// A word that starts with a digit, a signed digit or period, or a period and a digit.
int numeric_word(char* start, char* p, char* end) {
  word_info& w = reader.parse_word;
  char* q = p;
  if (*q == '.') w.num_flags |= nf_decimal;
  ++q;
  while (q < end) {
    char c = *q;
    if (c == ' ' || c == 'E' || c == ')' || c == ',' || c == '|') break;
    if (c != '.' && is_terminator(c)) break;
    if (c == '.') {
      if (w.num_flags & nf_decimal) break;
      w.num_flags |= nf_decimal;
    }
    ++q;
  }
  char* word_end = q;
  char* e = q;
  while (e < end && *e == ' ') ++e;
  if (e < end && *e == 'e') *e = 'E';
  if (e < end && *e == 'E' && e + 1 < end && (e[1] == '+' || e[1] == '-' || is_digit(e[1]))) {
    char* x = e + 1;
    bool negative = false;
    if (*x == '+' || *x == '-') negative = *x++ == '-';
    int32_t value = 0;
    while (x < end && !is_terminator(*x)) {
      // Saturate: an absurd exponent must not overflow the accumulator.
      if (is_digit(*x) && value < 100000) value = value * 10 + (*x - '0');
      ++x;
    }
    if (negative) value = -value;
    w.num_flags |= nf_exponent;
    w.exp = static_cast<int16_t>(std::clamp<int32_t>(value, INT16_MIN, INT16_MAX));
    word_end = x;
  }
  w.flags |= wf_literal;
  w.num_flags |= nf_numeric;
  return finish(start, word_end, word_end - p);
}

// Scans a name, quoted string or other run of characters starting at p.
int text_word(char* start, char* p, char* end) {
  word_info& w = reader.parse_word;
  bool hv = (w.flags & wf_host_var) != 0;
  int hv_parens = 0;
  char quote = 0;
  char* q = p;
  while (q < end) {
    char c = *q;
    if (quote) {
      if (c == (quote == shift_out ? shift_in : quote)) {
        if (q - p > max_quoted) {
          return errmsg(quote == shift_out ? "Excessive length in a DBCS string"
                                           : "Excessive length in a string with a \" or '",
                        p, static_cast<int>(q - p), buffer_pos(p));
        }
        quote = 0;
      }
      ++q;
      continue;
    }
    if (c == '\'' || c == '"' || c == shift_out) {
      quote = c;
      w.flags |= wf_literal;
      if (c == '\'') w.num_flags |= nf_single;
      if (c == '"') w.num_flags |= nf_double;
      ++q;
      continue;
    }
    if (c == '(') {
      if (!hv) break;
      ++hv_parens;
      ++q;
      continue;
    }
    if (c == ')') {
      if (!hv || hv_parens == 0) break;
      --hv_parens;
      ++q;
      continue;
    }
    if (c == ' ') break;
    if (c == '*' && q > p && q[-1] == '.') {
      // "t.*" stays one word: a qualified all-columns reference.
      w.flags |= wf_all_cols;
      ++q;
      continue;
    }
    if (q > p) {
      if (c == ',' || c == not_sign || c == ';' || is_logical_op(c) || c == local_hv) break;
      if (!hv && is_math_op(c)) break;
    }
    if (c == '.') w.flags |= wf_period;
    ++q;
  }
  if (quote) {
    return errmsg(quote == shift_out ? "Missing an ending SHIFT_IN within max word length"
                                     : "Missing an ending \" or ' within max word length",
                  p, static_cast<int>(q - p), buffer_pos(p));
  }
  return finish(start, q, q - p);
}

}  // namespace

int32_t word_value(bool is_signed) {
  const word_info& w = reader.parse_word;
  int i = 0;
  bool negative = false;
  if (is_signed && w.len > 0 && (w.str[0] == '-' || w.str[0] == '+')) negative = w.str[i++] == '-';
  int64_t v = 0;
  // Values beyond what any keyword accepts are capped rather than overflowed.
  for (; i < w.len && is_digit(w.str[i]) && v < 100000000; ++i) v = v * 10 + (w.str[i] - '0');
  return static_cast<int32_t>(negative ? -v : v);
}

bool word_is(const char* text) {
  const word_info& w = reader.parse_word;
  return strlen(text) == static_cast<size_t>(w.len) && memcmp(w.str, text, w.len) == 0;
}

uint16_t buffer_pos(const char* p) {
  auto at = reinterpret_cast<uintptr_t>(p);
  auto base = reinterpret_cast<uintptr_t>(reader.buffer);
  if (at < base || at >= base + sizeof reader.buffer) return 0;
  return static_cast<uint16_t>(at - base);
}

int get_word(char* start, char* end) {
  reader.parse_word = word_info{};
  reader.this_len = 0;
  if (start == nullptr || start >= end) return 0;
  char* p = start;
  while (p < end && *p == ' ') ++p;
  if (p < end && *p == '(') {
    ++reader.parens;
    return one_char(start, p, wf_paren);
  }
  if (p < end && *p == ')') {
    --reader.parens;
    if (reader.parens < 0) {
      return errmsg("Right parenthesis without preceeding Left parenthesis", p, 1, buffer_pos(p));
    }
    return one_char(start, p, wf_paren);
  }
  if (p >= end) return 0;

  word_info& w = reader.parse_word;
  w.str = p;
  w.pos = buffer_pos(p);
  char next = p + 1 < end ? p[1] : 0;
  bool numeric = is_digit(*p) || ((*p == '+' || *p == '-') && (is_digit(next) || next == '.')) ||
                 (*p == '.' && is_digit(next));
  if (numeric) return numeric_word(start, p, end);

  if (*p == '-') return one_char(start, p, wf_arith);
  if (*p == ',') return one_char(start, p, wf_comma);
  if (*p == local_hv) {
    w.flags |= wf_host_var;
    ++p;
    while (p < end && *p == ' ') ++p;
    if (p >= end) return errmsg("Missing host variable name after ':'", nullptr, 0, w.pos);
    w.str = p;
    w.pos = buffer_pos(p);
  }
  if (is_math_op(*p)) return one_char(start, p, wf_arith);
  if (*p == '|' && p + 1 < end && p[1] == '|') {
    w.flags |= wf_concat;
    return finish(start, p + 2, 2);
  }
  if (is_logical_op(*p)) {
    bool pair = p + 1 < end && is_logical_op(p[1]);
    // A lone '|' is no operator of its own.
    if (*p != '|' || pair) w.flags |= wf_compare;
    return finish(start, p + (pair ? 2 : 1), pair ? 2 : 1);
  }
  return text_word(start, p, end);
}

int simple_get_word(char* start, char* end) {
  reader.parse_word = word_info{};
  if (start == nullptr || start >= end || *start == 0) return 0;
  char* p = start;
  while (p < end && *p == ' ') ++p;
  if (p < end && *p == ',') {
    ++p;
    while (p < end && *p == ' ') ++p;
  }
  if (p >= end || *p == 0) return 0;
  word_info& w = reader.parse_word;
  w.str = p;
  w.pos = buffer_pos(p);
  char* q = p;
  if (*p == '\'' || *p == '"' || *p == '\t') {
    char quote = *p;
    ++q;
    while (q < end && *q != 0 && *q != quote) ++q;
    if (q < end && *q == quote) ++q;
    w.flags |= wf_comma;
    if (q - p < 2) return 0;
  } else {
    while (q < end && *q != 0 && *q != ' ' && *q != ',') ++q;
  }
  w.len = static_cast<int16_t>(std::min<long>(q - p, INT16_MAX));
  return static_cast<int>(q - start);
}

int errmsg(const char* text, const char* word, int len, int pos) {
  char* m = reader.message;
  size_t cap = sizeof reader.message;
  int n = snprintf(m, cap, "Syntax error - ");
  auto append = [&](const char* fmt, auto... args) {
    if (n < static_cast<int>(cap)) n += snprintf(m + n, cap - n, fmt, args...);
  };
  if (pos != 0) append("Position = %d ", pos + 1);
  append("%s", text);
  if (len != 0 && word != nullptr) append(", Text = %.*s", std::min(len, 255), word);
  reader.failed = 1;
  return -1;
}

int u_test_word(const char* text, int len, const char* const* list, int count, int options) {
  char word[60];
  int n = std::clamp(len, 0, 59);
  for (int i = 0; i < n; ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    word[i] = (options & 0x1) ? static_cast<char>(c) : static_cast<char>(tolower(c));
  }
  word[n] = 0;
  if (count < 1) count = 99;
  for (int i = 0; i < count && list[i] != nullptr && list[i][0] != 0; ++i) {
    size_t entry_len = strlen(list[i]);
    if (entry_len != static_cast<size_t>(n)) continue;
    int cmp = memcmp(list[i], word, n);
    if (cmp == 0) return i + 1;
    if ((options & 0x2) && cmp > 0) return 0;
  }
  return 0;
}

int w_o_parens(const char* text) {
  const char* open = nullptr;
  for (int i = 0; i < text_in_parens_size && text[i] != 0; ++i) {
    if (text[i] == '(') {
      open = text + i;
      break;
    }
  }
  if (open == nullptr) {
    PRINT('e', "cat1925", "No opening parenthesis\n");
    return 0;
  }
  const char* p = open + 1;
  int n = 0;
  while (n < text_in_parens_size - 1 && p[n] != 0 && p[n] != ')') ++n;
  if (p[n] != ')') {
    PRINT('e', "cat1930", "No ending parenthesis\n");
    return 0;
  }
  memcpy(reader.text_in_parens, p, n);
  reader.text_in_parens[n] = 0;
  return n;
}

namespace {
// Masks the value of a password statement in a line about to be echoed:
// from the word after "password" (or from the line's start while `*secret`
// says an earlier line began the statement) up to the ';' that ends it.
void mask_password(char* line, bool* secret) {
  char* p = line;
  if (!*secret) {
    while (*p == ' ' || *p == '\t') ++p;
    if (strncasecmp(p, "password", 8) != 0 || (p[8] && !isspace(static_cast<unsigned char>(p[8]))))
      return;
    p += 8;
    *secret = true;
  }
  for (; *p && *p != '\n' && *p != '\r'; ++p) {
    if (*p == ';') {
      *secret = false;
      return;
    }
    if (*p != ' ' && *p != '\t') *p = '*';
  }
}

// Refuses a statement that does not fit the buffer, quoting its beginning.
int too_long(int used) {
  reader.statement_end = reader.buffer + used;
  return errmsg("Statement longer than 15995 characters", reader.buffer, std::min(used, 40), 0);
}
}  // namespace

int statement_source::next() {
  char* buf = reader.buffer;
  int used = 0;
  char line[500];
  int size = std::clamp(line_size_, 2, static_cast<int>(sizeof line));
  for (;;) {
    memset(line, 0, size);
    if (fgets(line, size, in_) == nullptr) return 0;
    if (line[0] == ';') continue;
    if (tracing.trace_something) {
      // The password is never printed: the echo shows asterisks instead.
      char shown[sizeof line];
      memcpy(shown, line, sizeof line);
      mask_password(shown, &secret_);
      size_t n = strlen(shown);
      PRINT('-', "", n && shown[n - 1] == '\n' ? "%s" : "%s\n", shown);
    }
    const char* p = line;
    while (*p == ' ') ++p;
    bool complete = false;
    for (; *p != 0; ++p) {
      if (*p == ';') {
        complete = true;
        break;
      }
      // A newline (or a CR before it) ends the line's share of the statement.
      if (*p == '\n' || (*p == '\r' && p[1] == '\n')) break;
      if (used >= statement_max_text) {
        return too_long(used);
      }
      buf[used++] = *p;
    }
    if (complete) break;
    if (used >= statement_max_text) {
      return too_long(used);
    }
    buf[used++] = ' ';
  }
  memcpy(buf + used, "    ", 4);
  buf[used + 4] = 0;
  reader.statement_end = buf + used + 4;
  reader.this_start = buf;
  reader.failed = 0;
  reader.parens = 0;
  return 1;
}
