// The state of one COLLECT.CTL parse, shared by the parse loop and the
// keyword actions (internal to the cursor-file parser).
#pragma once

#include <cstdint>

#include "ctl/window_words.h"

struct curs;

// How a statement left the parse.
enum class coll_outcome {
  next,        // go on with the next statement
  statement,   // a statement error: later statements are skipped except cursor and end
  fatal,       // end the reading; the end banner and pcc0755 follow
  unbalanced,  // parentheses do not balance: pcc0725, then as fatal
  abandon,     // return 1 at once, without banners
};

struct coll_parser {
  curs* open = nullptr;  // the block being read
  bool errors = false;   // some error was reported
  bool ended = false;    // the end statement was read
  window_pairs windows;  // window starts waiting for their ends

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
