// Feeds arbitrary bytes as one expression text through the lexer, the RPN
// conversion and the interpreter (constants and working variables only; no
// cursor is current), with a fresh term table per input; then as a select
// list and as a where clause of internal selects over a small cursor.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "ctl/anchors.h"
#include "ctl/arena.h"
#include "ctl/curs.h"
#include "exits/child_exec.h"
#include "expr/expression.h"
#include "expr/interpreter.h"
#include "expr/select.h"
#include "rows/row_chain.h"

namespace {

// Cursor F: a character column a and a Number column b, three rows with a
// run of two equal a values.
void make_cursor() {
  curs* c = cursor_arena().make<curs>();
  memcpy(c->cur_name, "F", 1);
  columns* a = cursor_arena().make<columns>();
  columns* b = cursor_arena().make<columns>();
  strcpy(a->name, "a");
  a->fmt_len = 3;
  a->orig_type = 1;
  strcpy(b->name, "b");
  b->offset = 4;
  b->fmt_len = 4;
  b->orig_type = 2;
  a->next = b;
  c->column_list = a;
  for (const char* text : {"x  \0   1", "x  \0 2.5", "yy \0  -3"}) {
    text_row* r = alloc_text_row(9);
    memcpy(r->text(), text, 8);
    append_row(c, r);
  }
  anchors.cur_anchor = c;
}

void select_over(const char* list, const char* where) {
  TERM_TABLE* table = nullptr;
  lex_block list_lb, where_lb;
  r_exec_chain* lines = nullptr;
  int32_t number = 0;
  start_exec_sql(nullptr);
  (void)perform_select(&list_lb, list, "F", &lines, TARGET_ROW, &where_lb, where);
  (void)perform_select(&list_lb, list, "F", &number, TARGET_INTEGER, &where_lb, where);
  end_exec_sql(&table);
  u_free_r_chain(lines);
  free_lex_block(&list_lb);
  free_lex_block(&where_lb);
  free_w_list();  // the cache points into the table
  free_perm_term_tb(table);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  make_cursor();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 20000) size = 20000;
  std::string text(reinterpret_cast<const char*>(data), size);
  open_lexer(nullptr);
  if (lexeme* rpn = parse_expression(text.c_str())) {
    // Twice: the second run reuses the bound terms and the recycled work variables.
    for (int16_t mode : {PM_PREPARE, PM_EXECUTE}) {
      set_proc_mode(mode);
      release_result(evaluate_copy(rpn));
    }
    free_lex_list(rpn);
  }
  TERM_TABLE* table = nullptr;
  close_lexer(&table);
  free_perm_term_tb(table);
  select_over(text.c_str(), nullptr);
  select_over("a, SUM(b)", text.c_str());
  return 0;
}
