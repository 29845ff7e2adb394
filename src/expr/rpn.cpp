// Lexemes to reverse Polish notation with an operator stack, and the whole
// parse of an expression text.
#include <cstring>
#include <new>

#include "expr/expression.h"
#include "util/print.h"

int lex_list_size(const lexeme* list) {
  int n = 0;
  while (list[n]) ++n;
  return n;
}

void free_lex_list(lexeme* list) { delete[] list; }

lexeme* copy_lex_list(const lexeme* list) {
  int n = lex_list_size(list);
  lexeme* copy = new (std::nothrow) lexeme[n + 1];
  if (copy) memcpy(copy, list, sizeof(lexeme) * static_cast<size_t>(n + 1));
  return copy;
}

lexeme* reverse_pol_notation(const lexeme* list) {
  int n = lex_list_size(list);
  lexeme* out = new (std::nothrow) lexeme[n + 1];
  OPER_ENTRY** stack = new (std::nothrow) OPER_ENTRY*[n + 1];
  if (!out || !stack) {
    PRINT('e', "RPN0005", "Can not acquire memory\n");
    delete[] out;
    delete[] stack;
    return nullptr;
  }
  int outs = 0, top = 0;
  bool failed = false;
  for (int i = 0; i < n && !failed; ++i) {
    if (list[i]->entry_kind != ENTRY_OPERATION) {
      out[outs++] = list[i];
      continue;
    }
    OPER_ENTRY* op = static_cast<OPER_ENTRY*>(list[i]);
    if (op == &OperationTable[OPX_LPAREN]) {
      stack[top++] = op;
    } else if (op == &OperationTable[OPX_RPAREN]) {
      while (top > 0 && stack[top - 1] != &OperationTable[OPX_LPAREN]) out[outs++] = stack[--top];
      if (top == 0) {
        PRINT('e', "RPN0010", "Unbalanced parentheses in expression\n");
        failed = true;
      } else {
        --top;  // the '(' is dropped
      }
    } else {
      while (top > 0 && stack[top - 1] != &OperationTable[OPX_LPAREN] &&
             stack[top - 1]->precedence >= op->precedence)
        out[outs++] = stack[--top];
      if (op->op_class != OP_SEPARATOR) stack[top++] = op;
    }
  }
  // Left-over '(' entries (the lexer never leaves any) are dropped.
  while (!failed && top > 0)
    if (lexeme e = stack[--top]; e != &OperationTable[OPX_LPAREN]) out[outs++] = e;
  delete[] stack;
  if (failed) {
    delete[] out;
    return nullptr;
  }
  out[outs] = nullptr;
  return out;
}

lexeme* parse_expression(const char* text) {
  lexeme* lexemes = lexer(text);
  if (!lexemes) {
    PRINT('e', "LEX0005", "If-condition parsing ended with error\n");
    return nullptr;
  }
  lexeme* rpn = reverse_pol_notation(lexemes);
  free_lex_list(lexemes);
  if (!rpn) PRINT('e', "LEX0007", "If-condition parsing ended with error\n");
  return rpn;
}
