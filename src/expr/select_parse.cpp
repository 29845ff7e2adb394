// Preparing the parts of a select: the caller's block when it already holds
// the text, else the process-wide cache, else a parse with the select's term
// table. A select list becomes the arguments of one ROW call.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "expr/expression.h"
#include "expr/select.h"
#include "util/print.h"

namespace {

// Message ids of the two kinds of parts.
struct part_ids {
  const char* lookup_failed;  // the cache answered an error
  const char* store_failed;   // the cache could not keep the part
};
constexpr part_ids kListIds = {"SEL0130", "SEL0138"};
constexpr part_ids kWhereIds = {"SEL0144", "SEL0147"};

lexeme* alloc_list(size_t slots) {
  lexeme* list = new (std::nothrow) lexeme[slots];
  if (list) memset(list, 0, slots * sizeof(lexeme));
  return list;
}

int prepare(lex_block* lb, const char* text, const char* cursor_name, int16_t kind,
            const part_ids& ids) {
  if (check_lex_bl(lb, text, cursor_name, kind)) return 0;
  int found = find_lex_block(lb, text, cursor_name, kind);
  if (found == LEX_FOUND) return 0;
  if (found == LEX_ERROR)
    PRINT('w', ids.lookup_failed, "Error trying to get a parsed expression: will parse again\n");
  const bool select_list = kind == LB_SELECT_LIST;
  std::string source = text;
  if (select_list) source += get_row_function_arg_part();
  lexeme* parsed = parse_expression(source.c_str());
  if (!parsed) return 1;
  size_t n = static_cast<size_t>(lex_list_size(parsed));
  size_t slots = n + (select_list ? 1 : 0) + 1;
  lexeme* rpn = alloc_list(slots);
  if (!rpn) {
    PRINT('s', "SEL0133", "Can not acquire memory\n");
    expr_fatal(4);
  }
  memcpy(rpn, parsed, n * sizeof(lexeme));
  free_lex_list(parsed);
  // The select list's values become ROW's arguments, rfa the last of them.
  if (select_list) rpn[n] = &OperationTable[OPX_ROW];
  lb->work = alloc_list(slots);
  if (!lb->work) {
    PRINT('s', "SEL0135", "Can not acquire memory\n");
    expr_fatal(4);
  }
  lb->rpn = rpn;
  lb->rpn_bytes = static_cast<int32_t>(slots * sizeof(lexeme));
  lb->text = text;
  snprintf(lb->cursor_name, sizeof lb->cursor_name, "%s", cursor_name);
  lb->kind = kind;
  lb->table = get_active_term_tb_anchor();
  lb->complete = true;
  if (store_lex_block(lb)) {
    PRINT('s', ids.store_failed, "Can not store a lexed block: quitting\n");
    expr_fatal(4);
  }
  return 0;
}

}  // namespace

const char* get_row_function_arg_part() { return ",rfa"; }

void free_lex_block(lex_block* lb) {
  delete[] lb->rpn;
  delete[] lb->work;
  *lb = lex_block{};
}

bool check_lex_bl(lex_block* lb, const char* text, const char* cursor_name, int16_t kind) {
  if (lb->complete && lb->kind == kind && lb->text == text &&
      strncmp(lb->cursor_name, cursor_name, sizeof lb->cursor_name) == 0)
    return true;
  free_lex_block(lb);
  return false;
}

int ed_parse_sel_list(lex_block* lb, const char* text, const char* cursor_name) {
  return prepare(lb, text, cursor_name, LB_SELECT_LIST, kListIds);
}

int parse_where(lex_block* lb, const char* text, const char* cursor_name) {
  return prepare(lb, text, cursor_name, LB_WHERE, kWhereIds);
}
