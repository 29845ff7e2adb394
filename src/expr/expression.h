// Expression texts to lexemes to reverse Polish notation. Names, constants and
// columns become terms of the current term table (open_lexer), shared by every
// lexeme that names the same thing; the lists only borrow them.
#pragma once

#include "expr/terms.h"

constexpr int MAX_LEXEMES = 2000;

// Lexes and converts `text` (ended by ';' or its zero byte) with the current
// term table. Returns the RPN list, which the caller frees with free_lex_list,
// or null after the messages (LEX0005 or LEX0007 among them).
lexeme* parse_expression(const char* text);

// The lexeme list of `text`, or null after reporting. Caller frees it.
lexeme* lexer(const char* text);

// The RPN list of a zero-terminated lexeme list, or null after reporting.
lexeme* reverse_pol_notation(const lexeme* list);

// Frees a list made by the functions above (not the entries it points at).
void free_lex_list(lexeme* list);

// Entries in a zero-terminated list.
int lex_list_size(const lexeme* list);

// A copy of `list` (for evaluation, which consumes its input); free_lex_list.
lexeme* copy_lex_list(const lexeme* list);

// The sign that ends an expression text.
char get_expr_end_sign();
