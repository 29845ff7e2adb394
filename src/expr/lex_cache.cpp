// The process-wide cache of parsed statement parts: a select text met again,
// by any caller, is copied from here instead of being lexed anew. Nodes live
// until free_w_list (tests, and the end of the process).
#include <cstdio>
#include <cstring>
#include <new>

#include "expr/expression.h"
#include "expr/select.h"

namespace {

// One parsed part: its text, cursor, class and a copy of its RPN.
struct W_LEXED_EXPR {
  char* text = nullptr;         // the source text (owned)
  size_t text_len = 0;          // its length
  char cursor_name[9] = {};     // the cursor it was parsed for
  int16_t expr_class = 0;       // LB_SELECT_LIST or LB_WHERE
  lexeme* rpn = nullptr;        // the RPN copy (owned)
  int32_t rpn_bytes = 0;        // its size in bytes
  TERM_TABLE* table = nullptr;  // the term table its terms belong to
};

struct W_EXPR_NODE {
  W_EXPR_NODE* next = nullptr;
  W_LEXED_EXPR expr;
};

// Plain pointers, so nothing is torn down before the process has ended.
struct W_EXPR_LIST {
  W_EXPR_NODE* first = nullptr;  // newest first
} w_list;

lexeme* copy_rpn(const lexeme* rpn, int32_t bytes) {
  lexeme* copy = new (std::nothrow) lexeme[static_cast<size_t>(bytes) / sizeof(lexeme)];
  if (copy) memcpy(copy, rpn, static_cast<size_t>(bytes));
  return copy;
}

}  // namespace

int find_lex_block(lex_block* lb, const char* text, const char* cursor_name, int16_t kind) {
  size_t len = strlen(text);
  for (W_EXPR_NODE* n = w_list.first; n; n = n->next) {
    const W_LEXED_EXPR& e = n->expr;
    if (e.expr_class != kind || e.text_len != len || memcmp(e.text, text, len) != 0 ||
        strncmp(e.cursor_name, cursor_name, sizeof e.cursor_name) != 0)
      continue;
    free_lex_block(lb);
    lb->rpn = copy_rpn(e.rpn, e.rpn_bytes);
    lb->work = lb->rpn ? copy_rpn(e.rpn, e.rpn_bytes) : nullptr;
    if (!lb->work) {
      free_lex_block(lb);
      return LEX_ERROR;
    }
    lb->text.assign(text, len);
    snprintf(lb->cursor_name, sizeof lb->cursor_name, "%s", cursor_name);
    lb->kind = kind;
    lb->rpn_bytes = e.rpn_bytes;
    lb->table = e.table;
    lb->complete = true;
    return LEX_FOUND;
  }
  return LEX_NOT_FOUND;
}

int store_lex_block(const lex_block* lb) {
  W_EXPR_NODE* n = new (std::nothrow) W_EXPR_NODE;
  if (!n) return 1;
  W_LEXED_EXPR& e = n->expr;
  e.text_len = lb->text.size();
  e.text = new (std::nothrow) char[e.text_len + 1];
  e.rpn = copy_rpn(lb->rpn, lb->rpn_bytes);
  if (!e.text || !e.rpn) {
    delete[] e.text;
    delete[] e.rpn;
    delete n;
    return 1;
  }
  memcpy(e.text, lb->text.c_str(), e.text_len + 1);
  memcpy(e.cursor_name, lb->cursor_name, sizeof e.cursor_name);
  e.expr_class = lb->kind;
  e.rpn_bytes = lb->rpn_bytes;
  e.table = lb->table;
  n->next = w_list.first;
  w_list.first = n;
  return 0;
}

void free_w_list() {
  while (W_EXPR_NODE* n = w_list.first) {
    w_list.first = n->next;
    delete[] n->expr.text;
    delete[] n->expr.rpn;
    delete n;
  }
}
