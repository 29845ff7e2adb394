// Version conditions as the cursor-file parser and the version choice see
// them: a parsed expression with its own term table, evaluated with the cursor
// being tuned as the current cursor.
#include "expr/conditions.h"

#include <new>
#include <vector>

#include "ctl/cursor_versions.h"
#include "expr/expression.h"
#include "expr/interpreter.h"
#include "expr/select.h"

namespace {

struct condition {
  lexeme* rpn = nullptr;        // the RPN list
  TERM_TABLE* table = nullptr;  // its terms (working variables keep their values)
};

// Every condition made; they live as long as the cursor definitions, which
// last to the end of the process. The list itself is never destroyed, so the
// conditions stay reachable until exit instead of being orphaned when static
// objects are torn down.
std::vector<condition*>& all_conditions = *new std::vector<condition*>;

void* parse_condition(const char* text) {
  open_lexer(nullptr);
  lexeme* rpn = parse_expression(text);
  TERM_TABLE* table = nullptr;
  close_lexer(&table);
  condition* c = rpn ? new (std::nothrow) condition{rpn, table} : nullptr;
  if (!c) {
    free_lex_list(rpn);
    free_perm_term_tb(table);
    return nullptr;
  }
  all_conditions.push_back(c);
  return c;
}

int evaluate_condition(void* handle, curs* cur, double* value) {
  condition* c = static_cast<condition*>(handle);
  open_lexer(c->table);
  set_current_cursor(cur);
  TERM_TABLE* result = evaluate_copy(c->rpn);
  set_current_cursor(nullptr);
  close_lexer(&c->table);
  if (!result) return 1;
  int rc = 2;
  if (result->num_kind == N_INTEGER || result->num_kind == N_DOUBLE) {
    *value = term_number(result);
    rc = 0;
  }
  release_result(result);
  return rc;
}

const condition_steps kSteps = {parse_condition, evaluate_condition};

}  // namespace

void register_expressions() {
  set_condition_steps(&kSteps);
  register_computed_cursors();
}

void free_all_conditions() {
  for (condition* c : all_conditions) {
    free_lex_list(c->rpn);
    free_perm_term_tb(c->table);
    delete c;
  }
  all_conditions.clear();
}
