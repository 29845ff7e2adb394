// The state of one COLLECT.CTL parse, shared by the parse loop and the
// keyword actions (internal to the cursor-file parser).
#pragma once

#include <cstdint>

#include "ctl/parse_loop.h"
#include "ctl/window_words.h"

struct curs;

// How a statement left the parse; a statement error skips later statements
// except cursor and end.
using coll_outcome = ctl_outcome;

// True for the clause statements (and load), whose parsers report their own
// errors before the statement's parentheses are checked.
bool is_clause_keyword(int code);

struct coll_parser final : ctl_statements {
  curs* open = nullptr;   // the record receiving statements (the block or a version)
  curs* block = nullptr;  // the block being read
  window_pairs windows;   // window starts waiting for their ends

  int keyword(const char* word, int len) override;
  coll_outcome statement(int code) override;
  int finished() override;
  // Only after a statement that was read whole, or a clause (whose parser
  // reports its own error first).
  bool checks_parens(int code, coll_outcome o) override;

  // The per-word action of keyword `code` on the current word (word_no counts
  // the keyword as word 1).
  coll_outcome word_action(int code, int word_no);
  // The statement action of keyword `code`; `stmt` is the keyword's first
  // character, `rest` the text after it without leading blanks.
  coll_outcome statement_action(int code, char* stmt, char* rest);

 private:
  coll_outcome window(int code);
  coll_outcome insert(char* stmt);
};
