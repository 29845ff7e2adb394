// The one statement loop of every control file: the start banner, the
// first-word rule, keyword lookup, the statement's action, the parenthesis
// check, the end statement and the end banner. Each file brings its message
// ids and texts (ctl_file_messages) and its keyword table and actions
// (ctl_statements).
#pragma once

#include <cstdio>

// How a statement left the parse.
enum class ctl_outcome {
  next,        // go on with the next statement
  statement,   // a statement error was reported: errors set, reading goes on
  fatal,       // end the reading (errors set); the end banner follows
  unbalanced,  // the statement's parentheses do not balance (errors set)
  quiet_stop,  // end the reading without an error
  abandon,     // return 1 at once, without the end banner
};

// One message: id and printf format; a null id means the file has none.
struct ctl_message {
  const char* id = nullptr;
  const char* text = nullptr;
};

// The fixed texts of one control file's loop.
struct ctl_file_messages {
  int line_size;                  // read buffer of statement_source (256 or 500)
  ctl_message start_banner[3];    // dashes, the title (with the time as %s), dashes
  ctl_message end_banner[3];      // dashes, "... ended at %s", dashes
  const char* first_word;         // the keyword every file starts with (lower case), or null
  ctl_message first_length;       // the first word has another length than first_word
  ctl_message first_other;        // the first word is not first_word
  ctl_message read_failed;        // "Parsing failed : %s\n": a statement could not be read
  ctl_message unknown;            // "Unknown keyword (%s)\n"
  ctl_message statement_failed;   // "Parsing failed : %s\n" after a fatal tokeniser error
  ctl_message unbalanced;         // "Parentheses do not balance\n"; null id: not checked
  ctl_message missing_end;        // the file ends without its end statement
  ctl_message ended_with_errors;  // the last line of a failed parse
  bool first_error_ends = false;  // any error returns 1 at once (no end banner)
};

// The keyword table and statement actions of one control file.
class ctl_statements {
 public:
  virtual ~ctl_statements() = default;
  // The keyword code of the word (0: unknown).
  virtual int keyword(const char* word, int len) = 0;
  // The statement of keyword `code`; reader.parse_word still holds the
  // keyword and reader.this_start points past it.
  virtual ctl_outcome statement(int code) = 0;
  // Whether the parentheses of statement `code`, which ended with `o`, are
  // checked.
  virtual bool checks_parens(int /*code*/, ctl_outcome /*o*/) { return true; }
  // After the start banner.
  virtual void started() {}
  // At the end of the file (not after an end statement or an error).
  virtual ctl_outcome at_eof() { return ctl_outcome::next; }
  // Before the end banner.
  virtual void finishing() {}
  // After a parse without errors: the file's own last checks, 0 or 1.
  virtual int finished() { return 0; }

  bool errors = false;  // some error was reported
  bool ended = false;   // the end statement was read
};

// Reads the statements of `in` (borrowed) through `s`. Returns 0 when the file
// parsed without errors, else 1.
[[nodiscard]] int run_parse_loop(FILE* in, const ctl_file_messages& m, ctl_statements& s);
