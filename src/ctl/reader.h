// The statement reader shared by every control-file parser: the statement
// buffer, the tokeniser get_word and its current word, syntax-error texts,
// keyword lookups in word lists, and the assembly of file lines into statements.
// One parser runs at a time; the state below is process-wide and not reentrant.
#pragma once

#include <cstdint>
#include <cstdio>

// Message levels of the control-file parsers, mapped onto PRINT classes in this
// one place: levels 69, 101 and 115 are errors (class 'e'); 104 and 119 are
// warnings ('w'); 105 is information ('i'); 116 is trace output ('t'), written
// through ctl_trace only while statement tracing or trace level 8 is on.
int ctl_trace(const char* id, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
// True while level-116 output is written.
bool ctl_tracing();

// Flags of a word (word_info::flags).
constexpr uint16_t wf_host_var = 0x0001;  // introduced by ':'
constexpr uint16_t wf_paren = 0x0002;     // '(' or ')'
constexpr uint16_t wf_compare = 0x0004;   // comparison operator
constexpr uint16_t wf_comma = 0x0008;     // ',' (simple_get_word: quoted word)
constexpr uint16_t wf_arith = 0x0010;     // + - * / or a lone minus
constexpr uint16_t wf_all_cols = 0x0040;  // contains ".*"
constexpr uint16_t wf_literal = 0x0080;   // quoted string or number
constexpr uint16_t wf_concat = 0x0100;    // "||"
constexpr uint16_t wf_period = 0x0200;    // contains a period

// Numeric flags of a word (word_info::num_flags).
constexpr uint16_t nf_decimal = 0x0001;   // decimal point seen
constexpr uint16_t nf_exponent = 0x0002;  // exponent present
constexpr uint16_t nf_numeric = 0x0004;   // numeric literal
constexpr uint16_t nf_single = 0x0008;    // single-quoted
constexpr uint16_t nf_double = 0x0010;    // double-quoted

// The current word. `str` points into the text handed to get_word.
struct word_info {
  char* str = nullptr;     // first character; for a host variable, past ':' and blanks
  int16_t len = 0;         // number of characters
  uint16_t pos = 0;        // offset of str from the start of the statement buffer
  uint16_t flags = 0;      // wf_* bits
  int16_t exp = 0;         // exponent of a numeric literal written with E, else 0
  uint16_t num_flags = 0;  // nf_* bits
};

// Size of the statement buffer; a statement holds at most this less the four
// blanks and the NUL appended to it.
constexpr int statement_buffer_size = 16000;
constexpr int statement_max_text = statement_buffer_size - 5;
// Size of message (the composed syntax error), terminator excluded.
constexpr int message_size = 256;
// Capacity of text_in_parens (w_o_parens), terminator included.
constexpr int text_in_parens_size = 3100;

struct reader_state {
  char buffer[statement_buffer_size] = {};        // the statement being parsed
  word_info parse_word;                           // the word cut by the last get_word
  char* this_start = nullptr;                     // where the next word is looked for
  int32_t this_len = 0;                           // characters consumed by the last get_word
  int32_t parens = 0;                             // parenthesis depth of the statement
  int16_t failed = 0;                             // a syntax error was composed in message
  char message[message_size + 1] = {};            // the last syntax-error text
  char text_in_parens[text_in_parens_size] = {};  // result of w_o_parens
  char* statement_end = nullptr;                  // end of the statement in buffer (its NUL)
};

// The process-wide reader state.
extern reader_state reader;

// Clears the reader state (tests start from here).
void reset_reader_state();

// Cuts the next word of [start, end) into reader.parse_word. Returns the number
// of characters consumed from `start` (leading blanks included), so that the
// caller advances this_start by it; 0 when there is no further word; -1 after a
// syntax error (reader.failed set, reader.message composed). Tracks
// reader.parens. May rewrite a lower-case exponent 'e' to 'E' in the text.
int get_word(char* start, char* end);

// Cuts the next parameter word of a script-exit output line (NUL-terminated at
// or before `end`) into reader.parse_word.str/len; a quoted word sets
// wf_comma in flags. Returns the number of characters consumed, 0 at the end.
int simple_get_word(char* start, char* end);

// Composes "Syntax error - ..." in reader.message from `text` and the word
// (`len` characters at `word`, `pos` its offset; 0 omits the position), sets
// reader.failed and returns -1.
int errmsg(const char* text, const char* word, int len, int pos);

// Looks `text` (`len` characters) up in `list` (`count` entries, below 1
// meaning 99; a null or empty entry ends the list). Options: 0x1 compare
// case-sensitively, 0x2 the list is sorted. Returns the 1-based index or 0.
int u_test_word(const char* text, int len, const char* const* list, int count, int options);

// Copies the text between the first '(' (within 3,100 characters) and the
// next ')' into reader.text_in_parens; returns its length, or 0 after printing
// cat1925/cat1930.
int w_o_parens(const char* text);

// The current word's leading decimal digits as a number (0 when it does not
// start with a digit); a leading '-' or '+' is honoured when `is_signed`.
int32_t word_value(bool is_signed = false);

// True when the current word is exactly `text`.
bool word_is(const char* text);

// Offset of `p` in the statement buffer, or 0 when it lies outside it.
uint16_t buffer_pos(const char* p);

// Assembles the lines of a control file into statements in reader.buffer.
// The stream is borrowed; line_size is the read buffer (256 or 500 bytes).
class statement_source {
 public:
  statement_source(FILE* in, int line_size) : in_(in), line_size_(line_size) {}

  // Reads the next statement: on 1 reader.buffer holds it followed by four
  // blanks and a NUL, reader.statement_end and this_start are set and failed
  // and parens are cleared; 0 at the end of the file; -1 when the statement
  // does not fit the buffer (a syntax error is composed in reader.message).
  int next();

 private:
  FILE* in_;
  int line_size_;
  bool secret_ = false;  // the echoed lines are inside a password statement
};
