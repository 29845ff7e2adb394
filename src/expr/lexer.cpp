// The expression lexer: two table-driven state machines, one over the whole
// expression (parentheses, terms, operators, the end) and one inside a term
// (names, qualified columns, function calls, numbers, strings). Function
// argument lists are lexed in the same walk with a stack of open calls, so
// nesting costs no recursion.
#include <strings.h>

#include <cstring>
#include <new>

#include "expr/expression.h"
#include "util/print.h"

namespace {

// Character classes; 0 is a character of no class.
enum char_class {
  C_NONE = 0,
  C_LPAREN = 1,
  C_RPAREN = 2,
  C_LETTER = 3,
  C_DIGIT = 4,
  C_BANG = 5,
  C_QUOTE = 6,
  C_BLANK = 7,
  C_OPCHAR = 8,
  C_END = 9,
  C_COMMA = 10,
  C_INTERNAL = 11,
  C_PERIOD = 12,
  C_UNDERSCORE = 13,
};

// Classes in the order they are tested; the first that fits wins.
int char_type_tb(unsigned char c) {
  if (c == '(') return C_LPAREN;
  if (c == ')') return C_RPAREN;
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return C_LETTER;
  if (c >= '0' && c <= '9') return C_DIGIT;
  if (c == '!' || c == '%') return C_BANG;
  if (c == '\'' || c == '"') return C_QUOTE;
  if (c >= 1 && c <= 32) return C_BLANK;
  if (strchr("+-*/><=:^", c) && c) return C_OPCHAR;
  if (c == ';' || c == 0) return C_END;
  if (c == ',') return C_COMMA;
  if (c == '.') return C_PERIOD;
  if (c == '_') return C_UNDERSCORE;
  return C_NONE;
}

// Expression-level states.
enum { S_START = 1, S_LPAREN, S_RPAREN, S_TERM, S_OPER, S_UNARY, S_END, S_ERROR };

// Next expression state by current state (rows 1..8) and class (1..13).
constexpr int expr_matrix[9][14] = {
    {},
    {0, 2, 8, 4, 4, 4, 4, 1, 8, 8, 8, 8, 4, 4},  // start
    {0, 2, 8, 6, 4, 4, 4, 2, 6, 8, 8, 8, 4, 6},  // after (
    {0, 8, 3, 5, 8, 8, 8, 3, 5, 7, 5, 8, 8, 5},  // after )
    {0, 8, 3, 5, 8, 8, 8, 4, 5, 7, 5, 8, 8, 5},  // term
    {0, 2, 8, 4, 4, 4, 4, 5, 5, 8, 8, 8, 4, 4},  // operator
    {0, 8, 8, 4, 8, 8, 8, 8, 8, 8, 8, 5, 8, 4},  // unary operator
    {0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1},  // end
    {0, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7},  // error
};

// Term-level states.
enum { TS_START = 1, TS_NAME, TS_QUALIFIED, TS_FUNCTION, TS_NUMBER, TS_STRING, TS_END, TS_ERROR };

// Next term state by current state and the class of the character after the
// part just read (for a name: after any blanks that follow it).
constexpr int term_matrix[9][14] = {
    {},
    {0, 8, 8, 2, 5, 2, 6, 8, 8, 8, 8, 8, 5, 2},  // start
    {0, 4, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 3, 7},  // name
    {0, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7},  // qualified name
    {0, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7},  // function
    {0, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 8, 7},  // number (a second period is an error)
    {0, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7},  // string
    {},
    {},
};

struct lex_context {
  const char* at = nullptr;   // current character
  lexeme* list = nullptr;     // MAX_LEXEMES + 1 slots
  int count = 0;              // lexemes emitted
  int depth = 0;              // open parentheses
  int* call_depth = nullptr;  // per open function call: the depth its ')' returns to
  int calls = 0;
};

bool is_name_char(unsigned char c) {
  int k = char_type_tb(c);
  return k == C_LETTER || k == C_DIGIT || k == C_UNDERSCORE;
}

bool emit(lex_context& cx, lex_entry* e, const char* id) {
  // The terminating zero has a slot of its own after the last lexeme.
  if (cx.count >= (e ? MAX_LEXEMES : MAX_LEXEMES + 1)) {
    PRINT('e', id, "Expression is too long\n");
    return false;
  }
  cx.list[cx.count++] = e;
  return true;
}

bool same_word(const char* a, const char* b, size_t blen) {
  return strlen(a) == blen && strncasecmp(a, b, blen) == 0;
}

// The operation whose text is the `len` bytes at `w`, among entries that pass
// `fits`, or null.
template <class Fits>
OPER_ENTRY* find_operation(const char* w, size_t len, Fits fits) {
  for (OPER_ENTRY* op = OperationTable; op->entry_kind == ENTRY_OPERATION; ++op)
    if (fits(*op) && same_word(op->text, w, len)) return op;
  return nullptr;
}

bool is_binary_or_separator(const OPER_ENTRY& op) {
  return (op.op_class == OP_OPERATOR && op.arg_count == 2) || op.op_class == OP_SEPARATOR;
}
bool is_unary(const OPER_ENTRY& op) { return op.op_class == OP_OPERATOR && op.arg_count == 1; }
bool is_function(const OPER_ENTRY& op) { return op.op_class == OP_FUNCTION; }

TERM_TABLE* find_term(int16_t type_a, int16_t type_b, const char* text, size_t len) {
  for (TERM_TABLE* t = terms.term_tb_anchor; t; t = t->next)
    if (!t->hidden && (t->term_type == type_a || t->term_type == type_b) &&
        same_word(t->text, text, len))
      return t;
  return nullptr;
}

TERM_TABLE* new_term(int16_t type, int16_t data_type, const char* text, size_t len) {
  TERM_TABLE* t = chain_to_perm_term_tb(type, data_type);
  memcpy(t->text, text, len);
  t->text[len] = '\0';
  return t;
}

bool open_paren(lex_context& cx, const char* id) {
  ++cx.depth;
  return emit(cx, &OperationTable[OPX_LPAREN], id);
}

// Reports an unknown character after a term part with the id of its place.
int unknown_after(const char* at, const char* id) {
  if (char_type_tb(static_cast<unsigned char>(*at)) != C_NONE) return 0;
  PRINT('e', id, "Unknown character type in expression\n");
  return 1;
}

// Lexes one term at cx.at with the term-level machine and emits it. Returns
// false after reporting.
bool lex_term(lex_context& cx) {
  const char* start = cx.at;
  int cls = char_type_tb(static_cast<unsigned char>(*start));
  int state = term_matrix[TS_START][cls];
  if (state == TS_NAME) {
    const char* p = start + 1;
    while (is_name_char(static_cast<unsigned char>(*p))) ++p;
    size_t len = static_cast<size_t>(p - start);
    const char* after = p;
    while (char_type_tb(static_cast<unsigned char>(*after)) == C_BLANK) ++after;
    if (unknown_after(p, "LEX0080")) return false;
    state = term_matrix[TS_NAME][char_type_tb(static_cast<unsigned char>(*after))];
    if (state == TS_FUNCTION) {
      char name[TERM_TEXT_MAX + 1] = {};
      memcpy(name, start, len < TERM_TEXT_MAX ? len : TERM_TEXT_MAX);
      OPER_ENTRY* fn = find_operation(start, len, is_function);
      if (!fn) {
        PRINT('e', "LEX0260", "Unknown function %s in expression\n", name);
        return false;
      }
      if (!emit(cx, fn, "LEX0270")) return false;
      cx.call_depth[cx.calls] = cx.depth;
      cx.at = after + 1;
      if (!open_paren(cx, "LEX0310")) return false;
      ++cx.calls;
      return true;
    }
    if (len > TERM_TEXT_MAX) return false;
    if (state == TS_QUALIFIED) {
      if (len > TERM_CURSOR_MAX) {
        PRINT('e', "LEX0180", "Cursor name %.*s is longer than MAX_CURSOR_LEN\n",
              static_cast<int>(len), start);
        return false;
      }
      const char* col = after + 1;
      while (char_type_tb(static_cast<unsigned char>(*col)) == C_BLANK) ++col;
      const char* end = col;
      while (is_name_char(static_cast<unsigned char>(*end)) || *end == '.') ++end;
      size_t col_len = static_cast<size_t>(end - col);
      if (col_len == 0) {
        unknown_after(col, "LEX0150");
        return false;
      }
      if (unknown_after(end, "LEX0190")) return false;
      if (col_len > TERM_TEXT_MAX) return false;
      TERM_TABLE* found = nullptr;
      for (TERM_TABLE* t = terms.term_tb_anchor; t && !found; t = t->next)
        if (t->term_type == T_COLUMN && same_word(t->cursor_name, start, len) &&
            same_word(t->text, col, col_len))
          found = t;
      if (!found) {
        found = new_term(T_COLUMN, D_UNKNOWN, col, col_len);
        memcpy(found->cursor_name, start, len);
      }
      cx.at = end;
      return emit(cx, found, "LEX0200");
    }
    TERM_TABLE* t = find_term(T_NAME, T_VECTOR, start, len);
    if (!t) t = new_term(T_NAME, D_UNKNOWN, start, len);
    cx.at = p;
    return emit(cx, t, "LEX0160");
  }
  if (state == TS_NUMBER) {
    const char* p = start;
    int periods = 0;
    for (;; ++p) {
      int k = char_type_tb(static_cast<unsigned char>(*p));
      if (k == C_DIGIT) continue;
      if (k != C_PERIOD) break;
      if (periods++) {
        PRINT('e', "LEX0345", "Extra period in decimal number\n");
        return false;
      }
    }
    size_t len = static_cast<size_t>(p - start);
    if (len == 1 && *start == '.') {
      PRINT('e', "LEX0350", "Syntax error, a number expected\n");
      return false;
    }
    if (unknown_after(p, "LEX0340")) return false;
    if (len > TERM_TEXT_MAX) return false;
    int16_t kind = periods ? D_DOUBLE : D_INTEGER;
    TERM_TABLE* t = nullptr;
    for (TERM_TABLE* at = terms.term_tb_anchor; at && !t; at = at->next)
      if (at->term_type == T_NUMBER && at->data_type == kind && strlen(at->text) == len &&
          memcmp(at->text, start, len) == 0)
        t = at;
    if (!t) t = new_term(T_NUMBER, kind, start, len);
    cx.at = p;
    return emit(cx, t, "LEX0360");
  }
  if (state == TS_STRING) {
    const char* body = start + 1;
    const char* close = strchr(body, *start);
    if (!close) {
      PRINT('e', "LEX0410", "Expression end encountered before string end\n");
      return false;
    }
    size_t len = static_cast<size_t>(close - body);
    if (len > TERM_TEXT_MAX) return false;
    if (len == 0) {
      PRINT('w', "LEX0390", "Empty string, a blank assumed\n");
      body = " ";
      len = 1;
    }
    if (unknown_after(close + 1, "LEX0380")) return false;
    TERM_TABLE* t = nullptr;
    for (TERM_TABLE* at = terms.term_tb_anchor; at && !t; at = at->next)
      if (at->term_type == T_STRING && strlen(at->text) == len && memcmp(at->text, body, len) == 0)
        t = at;
    if (!t) t = new_term(T_STRING, D_STRING, body, len);
    cx.at = close + 1;
    return emit(cx, t, "LEX0400");
  }
  return false;
}

// Reads a run of operator characters, or of letters and '_', at cx.at.
size_t read_run(const char* at) {
  int k = char_type_tb(static_cast<unsigned char>(*at));
  const char* p = at;
  if (k == C_OPCHAR) {
    while (char_type_tb(static_cast<unsigned char>(*p)) == C_OPCHAR) ++p;
  } else {
    while (*p == '_' || char_type_tb(static_cast<unsigned char>(*p)) == C_LETTER) ++p;
  }
  return static_cast<size_t>(p - at);
}

// One step of the expression machine in `state` at cx.at. Returns the state
// whose row of the matrix picks the next state, or 0 to stop with an error;
// -1 means the end was emitted.
int step(lex_context& cx, int state) {
  unsigned char c = static_cast<unsigned char>(*cx.at);
  int cls = char_type_tb(c);
  if (cls == C_BLANK && state != S_END && state != S_ERROR) {
    ++cx.at;
    return state;
  }
  switch (state) {
    case S_START:
      if (cls == C_COMMA) {
        ++cx.at;
        return S_START;
      }
      if (cls == C_END) {
        if (!emit(cx, nullptr, "LEX0040")) return 0;
        return -1;
      }
      return -2;  // handed on: the matrix decides on this same character
    case S_LPAREN:
      ++cx.at;
      return open_paren(cx, "LEX0050") ? S_LPAREN : 0;
    case S_RPAREN:
      ++cx.at;
      if (--cx.depth < 0) {
        PRINT('e', "LEX0045", "Unbalanced parentheses in expression\n");
        return 0;
      }
      {
        // The ')' that ends a function's argument list closes its call.
        const bool ends_call = cx.calls && cx.call_depth[cx.calls - 1] == cx.depth;
        if (ends_call) --cx.calls;
        return emit(cx, &OperationTable[OPX_RPAREN], ends_call ? "LEX0330" : "LEX0100") ? S_RPAREN
                                                                                        : 0;
      }
    case S_TERM:
      if (!lex_term(cx)) {
        PRINT('e', "LEX0060", "Term syntax error\n");
        return 0;
      }
      // A function call leaves its '(' open: the arguments follow as after '('.
      return cx.list[cx.count - 1] == &OperationTable[OPX_LPAREN] ? S_LPAREN : S_TERM;
    case S_OPER: {
      size_t len = cls == C_COMMA ? 1 : read_run(cx.at);
      OPER_ENTRY* op = len ? find_operation(cx.at, len, is_binary_or_separator) : nullptr;
      if (!op) {
        PRINT('e', "LEX0090", "Unknown operation %.10s in expression\n", cx.at);
        return 0;
      }
      cx.at += len;
      return emit(cx, op, "LEX0070") ? S_OPER : 0;
    }
    case S_UNARY: {
      size_t len = read_run(cx.at);
      if (cls == C_OPCHAR) {
        OPER_ENTRY* op = find_operation(cx.at, len, is_unary);
        if (!op) {
          PRINT('e', "LEX0090", "Unknown operation in expression\n");
          return 0;
        }
        cx.at += len;
        return emit(cx, op, "LEX0120") ? expr_matrix[S_UNARY][C_INTERNAL] : 0;
      }
      char follow = cx.at[len];
      OPER_ENTRY* op = follow == '.' || follow == '(' || is_name_char(follow)
                           ? nullptr
                           : find_operation(cx.at, len, is_unary);
      if (op) {
        cx.at += len;
        return emit(cx, op, "LEX0120") ? expr_matrix[S_UNARY][C_INTERNAL] : 0;
      }
      return step(cx, S_TERM);  // a term after all (no deeper than one call)
    }
    case S_END:
      if (cx.depth != 0) {
        PRINT('e', "LEX0110", "Unbalanced parentheses in expression\n");
        return 0;
      }
      if (!emit(cx, nullptr, "LEX0120")) return 0;
      return -1;
    default:
      PRINT('e', "LEX0130", "Syntax error: invalid character sequence in expression\n");
      return 0;
  }
}

// A failure inside argument lists fails every open call, innermost first,
// and with each the term that holds it.
void fail_open_calls(lex_context& cx) {
  for (; cx.calls > 0; --cx.calls) {
    PRINT('e', "LEX0300", "function argument expression syntax error\n");
    PRINT('e', "LEX0060", "Term syntax error\n");
  }
}

}  // namespace

char get_expr_end_sign() { return ';'; }

lexeme* lexer(const char* text) {
  lex_context cx;
  cx.list = new (std::nothrow) lexeme[MAX_LEXEMES + 1];
  cx.call_depth = new (std::nothrow) int[MAX_LEXEMES + 1];
  if (!cx.list || !cx.call_depth) {
    PRINT('e', "LEX0010", "Can not acquire memory\n");
    delete[] cx.list;
    delete[] cx.call_depth;
    return nullptr;
  }
  cx.at = text;
  if (char_type_tb(static_cast<unsigned char>(*text)) == C_NONE) {
    PRINT('e', "LEX0015", "Syntax error in expression\n");
    cx.count = -1;
  }
  int state = S_START;
  while (cx.count >= 0) {
    int row = step(cx, state);
    if (row == -1) break;
    if (row == 0) {
      fail_open_calls(cx);
      cx.count = -1;
      break;
    }
    int cls = char_type_tb(static_cast<unsigned char>(*cx.at));
    if (row == -2) row = S_START;  // the start state hands the character on
    if (cls == C_NONE) {
      PRINT('e', "LEX0020", "Unknown character type in expression\n");
      fail_open_calls(cx);
      cx.count = -1;
      break;
    }
    if (cls == C_END && *cx.at == '\0' && full_tracing())
      PRINT('w', "LEX0035", "Null-terminator assumed the expression end\n");
    state = expr_matrix[row][cls];
    if (state == S_ERROR) {
      PRINT('e', "LEX0130", "Syntax error: invalid character sequence in expression\n");
      fail_open_calls(cx);
      cx.count = -1;
    }
  }
  delete[] cx.call_depth;
  if (cx.count < 0) {
    delete[] cx.list;
    return nullptr;
  }
  if (cx.depth != 0) {
    PRINT('e', "LEX0030", "Unbalanced parentheses in expression\n");
    delete[] cx.list;
    return nullptr;
  }
  return cx.list;
}
