// The operation table, term allocation and release, the current term table,
// and the memory chain that releases term tables at the end of the process.
#include "expr/terms.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>

#include "expr/conditions.h"
#include "expr/interpreter.h"
#include "expr/select.h"
#include "util/print.h"
#include "util/trace.h"

// clang-format off
OPER_ENTRY OperationTable[] = {
    {{ENTRY_OPERATION}, "(",    OP_OPERATOR,  0, 0,   nullptr,   0},
    {{ENTRY_OPERATION}, ")",    OP_OPERATOR,  0, 1,   nullptr,   0},
    {{ENTRY_OPERATION}, "OR",   OP_OPERATOR,  2, 20,  or_prc,    RESULT_LOGICAL},
    {{ENTRY_OPERATION}, "AND",  OP_OPERATOR,  2, 30,  and_prc,   RESULT_LOGICAL},
    {{ENTRY_OPERATION}, "NOT",  OP_OPERATOR,  1, 40,  not_prc,   RESULT_LOGICAL},
    {{ENTRY_OPERATION}, "=",    OP_OPERATOR,  2, 50,  equ_prc,   RESULT_LOGICAL},
    {{ENTRY_OPERATION}, "^=",   OP_OPERATOR,  2, 50,  nequ_prc,  RESULT_LOGICAL},
    {{ENTRY_OPERATION}, "<",    OP_OPERATOR,  2, 50,  less_prc,  RESULT_LOGICAL},
    {{ENTRY_OPERATION}, ">=",   OP_OPERATOR,  2, 50,  nless_prc, RESULT_LOGICAL},
    {{ENTRY_OPERATION}, ">",    OP_OPERATOR,  2, 50,  grt_prc,   RESULT_LOGICAL},
    {{ENTRY_OPERATION}, "<=",   OP_OPERATOR,  2, 50,  ngrt_prc,  RESULT_LOGICAL},
    {{ENTRY_OPERATION}, ":=",   OP_OPERATOR,  2, 50,  asgnt_prc, RESULT_OTHER},
    {{ENTRY_OPERATION}, "+",    OP_OPERATOR,  2, 60,  plus_prc,  RESULT_NUMERIC},
    {{ENTRY_OPERATION}, "-",    OP_OPERATOR,  2, 60,  minus_prc, RESULT_NUMERIC},
    {{ENTRY_OPERATION}, "*",    OP_OPERATOR,  2, 70,  mltpl_prc, RESULT_NUMERIC},
    {{ENTRY_OPERATION}, "/",    OP_OPERATOR,  2, 70,  div_prc,   RESULT_NUMERIC},
    {{ENTRY_OPERATION}, "-",    OP_OPERATOR,  1, 80,  neg_prc,   RESULT_NUMERIC},
    {{ENTRY_OPERATION}, "func1", OP_FUNCTION, 1, 100, neg_prc,   RESULT_NUMERIC},
    {{ENTRY_OPERATION}, "func2", OP_FUNCTION, 2, 100, plus_prc,  RESULT_NUMERIC},
    {{ENTRY_OPERATION}, "func3", OP_FUNCTION, 3, 100, plus_prc,  RESULT_NUMERIC},
    {{ENTRY_OPERATION}, ",",    OP_SEPARATOR, 0, 2,   nullptr,   0},
    {{ENTRY_OPERATION}, "ROW",  OP_FUNCTION,  VARIABLE_ARGS, 100, row_func, RESULT_OTHER},
    {{ENTRY_OPERATION}, "SUM",  OP_FUNCTION,  1, 100, sum_func,  RESULT_NUMERIC},
    {{ENTRY_OPERATION}, "LIKE", OP_OPERATOR,  2, 50,  like_prc,  RESULT_LOGICAL},
    {{ENTRY_TABLE_END}, "",     0,            0, 0,   nullptr,   0},
};
// clang-format on

term_state terms;

namespace {

void (*fatal_hook)(int) = nullptr;

// The registered blocks (term tables, by their first term).
struct M_LINK {
  M_LINK* next;
  void* block;
  size_t size;
};
struct M_CHAIN {
  M_LINK* first = nullptr;
} memory_chain;

void reset_fields(TERM_TABLE* t, int16_t term_type, int16_t data_type) {
  *t = TERM_TABLE{};
  t->entry_kind = ENTRY_TERM;
  t->term_type = term_type;
  t->data_type = data_type;
  t->value = t->text;
}

void release_value(TERM_TABLE* t) {
  if (t->value_owned && t->value && t->value != t->text) free(t->value);
  t->value = t->text;
  t->value_owned = 0;
}

}  // namespace

void set_expr_fatal(void (*fn)(int)) { fatal_hook = fn; }

void expr_fatal(int code) {
  if (fatal_hook) fatal_hook(code);
  exit(code);
}

bool full_tracing() { return tracing.trace_all != 0; }
bool expr_tracing() { return full_tracing() || trace_on(8); }

void open_lexer(TERM_TABLE* anchor) {
  if (anchor && anchor->entry_kind != ENTRY_TERM) {
    PRINT('s', "TRM0150", "Invalid pointer: quitting\n");
    expr_fatal(4);
  }
  terms.term_tb_anchor = anchor;
  terms.term_tb_end = anchor;
  while (terms.term_tb_end && terms.term_tb_end->next) terms.term_tb_end = terms.term_tb_end->next;
  terms.current_term = nullptr;
  terms.table_open = 1;
}

void close_lexer(TERM_TABLE** anchor_out) {
  if (anchor_out) *anchor_out = terms.term_tb_anchor;
  terms.term_tb_anchor = terms.term_tb_end = terms.current_term = nullptr;
  terms.table_open = 0;
}

void set_term_tb_anchor(TERM_TABLE* anchor) { open_lexer(anchor); }
TERM_TABLE* get_lex_term_tb_anchor() { return terms.term_tb_anchor; }
void set_current_cursor(curs* cur) { terms.current_cursor = cur; }

void free_perm_term_tb(TERM_TABLE* anchor) {
  if (!anchor) return;
  unregister_memory(anchor);
  for (TERM_TABLE* t = anchor; t;) {
    TERM_TABLE* next = t->next;
    t->next = nullptr;
    free_term(t, 0);
    t = next;
  }
}

TERM_TABLE* alloc_term(int16_t term_type, int16_t data_type) {
  TERM_TABLE* t = terms.reuse_term_store;
  if (t) {
    terms.reuse_term_store = t->next;
  } else {
    t = new (std::nothrow) TERM_TABLE;
    if (!t) {
      PRINT('s', "TRM0010", "Can not acquire memory\n");
      expr_fatal(4);
    }
  }
  reset_fields(t, term_type, data_type);
  return t;
}

TERM_TABLE* chain_to_perm_term_tb(int16_t term_type, int16_t data_type) {
  TERM_TABLE* t = alloc_term(term_type, data_type);
  if (!terms.term_tb_anchor) {
    terms.term_tb_anchor = t;
    switch (register_memory(t, sizeof *t)) {
      case 0:
        break;
      case 1:
        PRINT('s', "TRM0100", "Memory registration failed\n");
        expr_fatal(4);
      case 2:
        PRINT('w', "TRM0110", "Attempt to register same memory again\n");
        break;
      default:
        PRINT('w', "TRM0120", "Unexpected function return\n");
        break;
    }
  } else {
    terms.term_tb_end->next = t;
  }
  terms.term_tb_end = t;
  terms.current_term = t;
  return t;
}

void simple_free_term(TERM_TABLE* t, int mode) {
  if (!t) return;
  if (full_tracing()) {
    if (verify_term(t)) {
      PRINT('e', "LEX0243", "Term block is invalid, not freed\n");
      return;
    }
    if (t->value_owned && (!t->value || t->value == t->text))
      PRINT('w', "LEX0245", "TERM_TABLE structure ->value pointer can't be freed\n");
  }
  release_value(t);
  if (mode == 1) {
    t->entry_kind = ENTRY_TERM;
    t->next = terms.reuse_term_store;
    terms.reuse_term_store = t;
  } else {
    t->entry_kind = 0;
    delete t;
  }
}

void free_term(TERM_TABLE* t, int mode) {
  if (!t) return;
  // Vector elements and saved copies are plain chains without sub-chains of
  // their own, so this walk never nests.
  for (TERM_TABLE* chain : {t->vector, t->copy}) {
    while (chain) {
      TERM_TABLE* next = chain->next;
      chain->vector = chain->copy = nullptr;
      simple_free_term(chain, mode);
      chain = next;
    }
  }
  t->vector = t->copy = nullptr;
  simple_free_term(t, mode);
}

int unchain_and_free_term(TERM_TABLE* t) {
  if (!t) {
    PRINT('e', "LEX0230", "Pointer to memory to free is NULL\n");
    return 1;
  }
  TERM_TABLE* prev = nullptr;
  TERM_TABLE* at = terms.term_tb_anchor;
  while (at && at != t) {
    prev = at;
    at = at->next;
  }
  if (!at) {
    PRINT('e', "LEX0240", "TERM_TABLE structure to free not found\n");
    return 1;
  }
  if (prev) {
    prev->next = t->next;
  } else {
    unregister_memory(t);
    terms.term_tb_anchor = t->next;
    if (t->next) register_memory(t->next, sizeof *t);
  }
  if (terms.term_tb_end == t) terms.term_tb_end = prev;
  if (terms.current_term == t) terms.current_term = nullptr;
  t->next = nullptr;
  if (full_tracing() && verify_term(t)) {
    PRINT('e', "LEX0252", "Term block is invalid, not freed\n");
    return 1;
  }
  if (t->value_owned && (!t->value || t->value == t->text)) {
    PRINT('w', "LEX0255", "TERM_TABLE structure ->value pointer can't be freed\n");
    t->value_owned = 0;
  }
  free_term(t, 0);
  return 0;
}

int verify_term(const TERM_TABLE* t) {
  if (t->entry_kind != ENTRY_TERM) {
    PRINT('e', "TRM0200", "Term entry type is invalid\n");
    return 1;
  }
  if (t->term_type < T_STRING || t->term_type > T_VECTOR) {
    PRINT('e', "TRM0210", "Term %s type is invalid\n", t->text);
    return 1;
  }
  if (t->data_type < 0 || t->data_type > D_MAX_VALID) {
    PRINT('e', "TRM0220", "Term data type is invalid\n");
    return 1;
  }
  return 0;
}

void free_reuse_store() {
  while (TERM_TABLE* t = terms.reuse_term_store) {
    terms.reuse_term_store = t->next;
    delete t;
  }
}

void set_term_value(TERM_TABLE* t, const char* src, size_t len) {
  if (t->value == src && src[len] == '\0') return;
  if (len <= TERM_TEXT_MAX && src != t->text) {
    char tmp[TERM_TEXT_MAX + 1];
    memcpy(tmp, src, len);  // `src` may be this term's owned value
    tmp[len] = '\0';
    release_value(t);
    memcpy(t->text, tmp, len + 1);
    return;
  }
  if (len <= TERM_TEXT_MAX) {  // src is the text field itself
    t->text[len] = '\0';
    release_value(t);
    return;
  }
  char* block = static_cast<char*>(malloc(len + 1));
  if (!block) {
    PRINT('s', "TRM0010", "Can not acquire memory\n");
    expr_fatal(4);
  }
  memcpy(block, src, len);
  block[len] = '\0';
  release_value(t);
  t->value = block;
  t->value_owned = 1;
}

int register_memory(void* block, size_t size) {
  if (!block) return 1;
  for (M_LINK* l = memory_chain.first; l; l = l->next)
    if (l->block == block) return 2;
  M_LINK* l = new (std::nothrow) M_LINK{memory_chain.first, block, size};
  if (!l) return 1;
  memory_chain.first = l;
  return 0;
}

void unregister_memory(void* block) {
  for (M_LINK** at = &memory_chain.first; *at; at = &(*at)->next) {
    if ((*at)->block == block) {
      M_LINK* gone = *at;
      *at = gone->next;
      delete gone;
      return;
    }
  }
}

void destroy_memory() {
  while (M_LINK* l = memory_chain.first) {
    memory_chain.first = l->next;
    TERM_TABLE* table = static_cast<TERM_TABLE*>(l->block);
    delete l;
    free_perm_term_tb(table);  // its own unregister finds nothing left
  }
  free_reuse_store();
}

void reset_expr_state() {
  free_all_conditions();
  reset_select_env();
  reset_computed_cursors();
  free_w_list();
  destroy_memory();
  terms = term_state{};
  select_state = select_modes{};
}
