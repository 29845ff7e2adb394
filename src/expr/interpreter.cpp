// The interpreter's walk over an RPN list, argument collection and binding,
// and the routines of the operation table.
#include "expr/interpreter.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "ctl/curs.h"
#include "expr/expression.h"
#include "util/print.h"

select_modes select_state;

namespace {

// SUM and ROW calls counted in the current evaluation; the n-th call keeps
// its state in the n-th hidden term of the current table.
int state_calls = 0;

// The n-th hidden term of the current table, made when missing.
TERM_TABLE* hidden_term(int n) {
  int seen = 0;
  for (TERM_TABLE* t = terms.term_tb_anchor; t; t = t->next)
    if (t->hidden && seen++ == n) return t;
  TERM_TABLE* t = nullptr;
  while (seen++ <= n) {
    t = chain_to_perm_term_tb(T_NAME, D_UNKNOWN);
    t->hidden = 1;
  }
  return t;
}

const char* kind_word(const TERM_TABLE* t) {
  return t->term_type == T_COLUMN ? "column" : "variable";
}

int32_t clamp_int(double v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(INT32_MAX)) return INT32_MAX;
  if (v <= static_cast<double>(INT32_MIN)) return INT32_MIN;
  return static_cast<int32_t>(v);  // truncates toward zero
}

void set_integer(TERM_TABLE* r, int32_t v) {
  term_number_text t = integer_text(v);
  set_term_value(r, t.text, t.len);
  r->data_type = D_INTEGER;
  r->num_kind = N_INTEGER;
  r->ival = v;
}

void set_double(TERM_TABLE* r, double v) {
  term_number_text t = double_text(v);
  set_term_value(r, t.text, t.len);
  r->data_type = D_DOUBLE;
  r->num_kind = N_DOUBLE;
  r->dval = v;
}

void set_logical(TERM_TABLE* r, bool v) { set_integer(r, v ? 1 : 0); }

// Strings, and names that hold no number yet, are compared and converted as
// text.
bool is_texty(const TERM_TABLE* t) {
  return t->data_type == D_STRING || t->data_type > D_DOUBLE ||
         (t->term_type == T_NAME && t->data_type == D_UNKNOWN);
}

// Reads a whole base-10 integer that fits 32 bits.
bool read_integer(const char* s, int32_t* out) {
  if (!*s) return false;
  char* end = nullptr;
  errno = 0;
  long v = strtol(s, &end, 10);
  if (*end || errno || v > INT32_MAX || v < INT32_MIN) return false;
  *out = static_cast<int32_t>(v);
  return true;
}

bool read_double(const char* s, double* out) {
  if (!*s) return false;
  char* end = nullptr;
  errno = 0;
  double v = strtod(s, &end);
  if (*end || errno == ERANGE || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

int get_args(TERM_TABLE** args, int at, lexeme* list, const OPER_ENTRY* op, int* nargs) {
  int want = op->arg_count == VARIABLE_ARGS ? MAX_ROW_ARGS + 1 : op->arg_count;
  int got = 0;
  for (int j = at - 1; j >= 0 && got < want; --j) {
    if (!list[j]) continue;
    if (list[j]->entry_kind != ENTRY_TERM) {
      PRINT('e', "Int0040", "Invalid lexeme type\n");
      return 1;
    }
    args[got++] = static_cast<TERM_TABLE*>(list[j]);
    list[j] = nullptr;
  }
  if (op->arg_count != VARIABLE_ARGS && got < want) {
    PRINT('e', "Int0056", "%s %s should have %i arguments\n",
          op->op_class == OP_FUNCTION ? "function" : "operation", op->text, op->arg_count);
    return 1;
  }
  for (int i = 0, k = got - 1; i < k; ++i, --k) std::swap(args[i], args[k]);
  *nargs = got;
  for (int i = 0; i < got; ++i) {
    TERM_TABLE* t = args[i];
    if (!t->work && edit_arg_term(t, i == 0 && op->proc == asgnt_prc)) {
      PRINT('e', "Int0052", "Term edit failed\n");
      return 1;
    }
    if (full_tracing()) {
      if (verify_term(t)) {
        PRINT('e', "Int0050", "Term block is invalid\n");
        return 1;
      }
      if (!t->value) {
        PRINT('e', "Int0090", "NULL value pointer for %s %s\n", kind_word(t), t->text);
        PRINT('e', "Int0054", "Invalid argument\n");
        return 1;
      }
      if (!*t->value && t->term_type == T_COLUMN) {
        PRINT('e', "Int0100", "No value for %s %s\n", kind_word(t), t->text);
        PRINT('e', "Int0054", "Invalid argument\n");
        return 1;
      }
      PRINT('t', "SMZIF100", "%s %s value is %.16s\n", kind_word(t), t->text, t->value);
    }
  }
  return 0;
}

int perform_oper(const OPER_ENTRY* op, TERM_TABLE** args, int n, TERM_TABLE* result) {
  if (!op->proc) {
    PRINT('e', "Int0125", "Procedure to perform %s %s not defined\n",
          op->op_class == OP_FUNCTION ? "function" : "operation", op->text);
    return 1;
  }
  return op->proc(args, n, result);
}

void free_work_chain(TERM_TABLE* chain, const TERM_TABLE* keep) {
  while (chain) {
    TERM_TABLE* next = chain->next;
    chain->next = nullptr;
    if (chain != keep) free_term(chain, 1);
    chain = next;
  }
}

// Both arguments as doubles, and the numeric kind of the right-hand one.
int arithm_subr(TERM_TABLE** a, int n, double* v, int16_t* kind) {
  for (int i = 0; i < n; ++i) {
    TERM_TABLE* t = a[i];
    if (is_texty(t) && t->num_kind == N_NONE) {
      term_str2num(t);
      if (t->num_kind == N_NONE) {
        PRINT('e', "Int0315", "Can't convert argument %s to numeric for an arithmetic operation\n",
              t->value ? t->value : "");
        return 1;
      }
    } else if (t->data_type == D_INTEGER || t->data_type == D_DOUBLE || is_texty(t)) {
      if (t->num_kind == N_NONE) {
        PRINT('e', "Int0310", "Invalid argument type: %s\n", t->text);
        return 1;
      }
    } else {
      PRINT('e', "Int0320", "Invalid argument type: %s\n", t->text);
      return 1;
    }
    v[i] = term_number(t);
    *kind = t->num_kind;
  }
  return 0;
}

void set_arith(TERM_TABLE* r, double v, int16_t kind) {
  if (kind == N_INTEGER)
    set_integer(r, clamp_int(v));
  else
    set_double(r, v);
}

int compare_into(TERM_TABLE** a, TERM_TABLE* r, bool (*holds)(int)) {
  int cmp = 0;
  if (compare_subr(a[0], a[1], &cmp)) return 1;
  set_logical(r, holds(cmp));
  return 0;
}

bool is_true(const TERM_TABLE* t) { return term_number(t) != 0.0; }

}  // namespace

term_number_text integer_text(int32_t v) {
  term_number_text t;
  t.len = static_cast<size_t>(snprintf(t.text, sizeof t.text, "%li", static_cast<long>(v)));
  return t;
}

term_number_text double_text(double v) {
  term_number_text t;
  int len = snprintf(t.text, sizeof t.text, "%lf", v);
  t.len = len < 0 || static_cast<size_t>(len) >= sizeof t.text ? sizeof t.text - 1
                                                               : static_cast<size_t>(len);
  return t;
}

void set_proc_mode(int16_t mode) { select_state.proc_mode = mode; }
int16_t get_proc_mode() { return select_state.proc_mode; }
void set_row_status(int16_t status) { select_state.row_status = status; }
int16_t get_row_status() { return select_state.row_status; }

double term_number(const TERM_TABLE* t) {
  return t->num_kind == N_INTEGER ? static_cast<double>(t->ival)
                                  : (t->num_kind == N_DOUBLE ? t->dval : 0.0);
}

int less_blanks_len(const char* text) {
  int len = static_cast<int>(strlen(text));
  while (len > 0 && text[len - 1] == ' ') --len;
  return len > 0 ? len : 1;
}

void term_str2num(TERM_TABLE* t) {
  const char* s = t->value ? t->value : "";
  int32_t i = 0;
  double d = 0.0;
  if (read_integer(s, &i)) {
    t->num_kind = N_INTEGER;
    t->ival = i;
  } else if (read_double(s, &d)) {
    t->num_kind = N_DOUBLE;
    t->dval = d;
  } else {
    t->num_kind = N_NONE;
    t->dval = 0.0;
    t->ival = 0;
  }
}

TERM_TABLE* copy_term(const TERM_TABLE* src) {
  TERM_TABLE* t = alloc_term(src->term_type, src->data_type);
  t->work = 1;
  const char* v = src->value ? src->value : "";
  set_term_value(t, v, strlen(v));
  t->num_kind = src->num_kind;
  t->ival = src->ival;
  t->dval = src->dval;
  t->bound = 1;
  return t;
}

int edit_arg_term(TERM_TABLE* t, bool assign_target) {
  switch (t->term_type) {
    case T_STRING:
    case T_VECTOR:
      t->bound = 1;
      return 0;
    case T_NUMBER:
      if (!t->bound) {
        t->value = t->text;
        int32_t i = 0;
        double d = 0.0;
        if (t->data_type == D_INTEGER && read_integer(t->text, &i)) {
          t->num_kind = N_INTEGER;
          t->ival = i;
        } else if (read_double(t->text, &d)) {
          // A whole number too large for 32 bits is kept as a double.
          t->data_type = D_DOUBLE;
          t->num_kind = N_DOUBLE;
          t->dval = d;
        } else {
          return 1;
        }
        t->bound = 1;
      }
      return 0;
    case T_COLUMN:
      return t->bound ? refresh_column(t) : define_column(t);
    case T_NAME: {
      if (t->bound) return 0;
      int rc = define_column(t);
      if (rc != 2) return rc;
      if (full_tracing())
        PRINT('t', "Int0420", "%s in cursor %s assumed a working variable name\n", t->text,
              terms.current_cursor ? terms.current_cursor->cur_name : "");
      if (t->data_type == D_UNKNOWN && !assign_target) t->data_type = D_STRING;
      t->bound = 1;
      return 0;
    }
    default:
      PRINT('e', "Int0430", "Invalid term type\n");
      return 1;
  }
}

int compare_subr(TERM_TABLE* a, TERM_TABLE* b, int* cmp) {
  bool a_text = is_texty(a), b_text = is_texty(b);
  bool a_num = a->data_type == D_INTEGER || a->data_type == D_DOUBLE;
  bool b_num = b->data_type == D_INTEGER || b->data_type == D_DOUBLE;
  if (!a_text && !a_num) {
    PRINT('e', "Int0200", "Invalid argument type\n");
    return 1;
  }
  if (!b_text && !b_num) {
    PRINT('e', "Int0220", "Invalid argument type\n");
    return 1;
  }
  const char* av = a->value ? a->value : "";
  const char* bv = b->value ? b->value : "";
  if (a_text && b_text) {
    if (!*av) PRINT('w', "Int0180", "Value for %s %s is an empty string\n", kind_word(a), a->text);
    if (!*bv) PRINT('w', "Int0185", "Value for %s %s is an empty string\n", kind_word(b), b->text);
    int al = less_blanks_len(av), bl = less_blanks_len(bv);
    *cmp = al != bl ? al - bl : memcmp(av, bv, static_cast<size_t>(al));
    return 0;
  }
  if (a_text && a->num_kind == N_NONE) {
    term_str2num(a);
    if (a->num_kind == N_NONE) {
      PRINT('e', "Int0190", "Arguments for COMPARE operation are incomparable\n");
      return 1;
    }
  }
  if (b_text && b->num_kind == N_NONE) {
    term_str2num(b);
    if (b->num_kind == N_NONE) {
      PRINT('e', "Int0210", "Arguments for COMPARE operation are incomparable\n");
      return 1;
    }
  }
  if (a->num_kind == N_NONE || b->num_kind == N_NONE) {
    PRINT('e', "Int0230", "Invalid argument type\n");
    return 1;
  }
  double d = term_number(a) - term_number(b);
  *cmp = d < 0 ? -1 : (d > 0 ? 1 : 0);
  return 0;
}

int or_prc(TERM_TABLE** a, int, TERM_TABLE* r) {
  if (a[0]->num_kind == N_NONE || a[1]->num_kind == N_NONE) {
    PRINT('e', "Int0150", "Arguments for OR operation must be I_NUMERIC\n");
    return 1;
  }
  set_logical(r, is_true(a[0]) || is_true(a[1]));
  return 0;
}

int and_prc(TERM_TABLE** a, int, TERM_TABLE* r) {
  if (a[0]->num_kind == N_NONE || a[1]->num_kind == N_NONE) {
    PRINT('e', "Int0160", "Arguments for AND operation must be I_NUMERIC\n");
    return 1;
  }
  set_logical(r, is_true(a[0]) && is_true(a[1]));
  return 0;
}

int not_prc(TERM_TABLE** a, int, TERM_TABLE* r) {
  if (a[0]->num_kind == N_NONE) {
    PRINT('e', "Int0170", "Argument for NOT operation must be numeric\n");
    return 1;
  }
  set_logical(r, !is_true(a[0]));
  return 0;
}

int equ_prc(TERM_TABLE** a, int, TERM_TABLE* r) {
  return compare_into(a, r, [](int c) { return c == 0; });
}
int nequ_prc(TERM_TABLE** a, int, TERM_TABLE* r) {
  return compare_into(a, r, [](int c) { return c != 0; });
}
int less_prc(TERM_TABLE** a, int, TERM_TABLE* r) {
  return compare_into(a, r, [](int c) { return c < 0; });
}
int nless_prc(TERM_TABLE** a, int, TERM_TABLE* r) {
  return compare_into(a, r, [](int c) { return c >= 0; });
}
int grt_prc(TERM_TABLE** a, int, TERM_TABLE* r) {
  return compare_into(a, r, [](int c) { return c > 0; });
}
int ngrt_prc(TERM_TABLE** a, int, TERM_TABLE* r) {
  return compare_into(a, r, [](int c) { return c <= 0; });
}

int like_prc(TERM_TABLE** a, int, TERM_TABLE* r) {
  const char* s = a[0]->value ? a[0]->value : "";
  const char* p = a[1]->value ? a[1]->value : "";
  size_t sl = strlen(s), pl = strlen(p);
  while (sl && s[sl - 1] == ' ') --sl;
  while (pl && p[pl - 1] == ' ') --pl;
  size_t pos = 0, i = 0;
  for (;;) {
    char wild = 0;
    if (i < pl && (p[i] == '%' || p[i] == '_')) wild = p[i++];
    size_t j = i;
    while (j < pl && p[j] != '%' && p[j] != '_') ++j;
    size_t seg = j - i;
    if (seg == 0 && i >= pl) {  // the pattern's end, possibly after a wildcard
      if (wild == '%') {
        set_logical(r, true);
        return 0;
      }
      if (wild == '_') {
        if (pos >= sl) break;
        ++pos;
      }
      set_logical(r, pos == sl);
      return 0;
    }
    if (wild == '_') {
      if (pos >= sl) break;
      ++pos;
    }
    if (seg > sl - pos) break;
    if (wild == '%') {
      // Only the first occurrence is ever tried.
      const char* hit = nullptr;
      for (size_t k = pos; k + seg <= sl && !hit; ++k)
        if (memcmp(s + k, p + i, seg) == 0) hit = s + k;
      if (!hit) break;
      pos = static_cast<size_t>(hit - s) + seg;
    } else {
      if (memcmp(s + pos, p + i, seg) != 0) break;
      pos += seg;
    }
    i = j;
  }
  set_logical(r, false);
  return 0;
}

int asgnt_prc(TERM_TABLE** a, int, TERM_TABLE* r) {
  TERM_TABLE* target = a[0];
  TERM_TABLE* src = a[1];
  if (src->data_type == D_UNKNOWN) {
    PRINT('e', "Int0250", "Assignment operation source argument is not properly defined\n");
    return 1;
  }
  if (src->data_type != D_STRING && src->num_kind == N_NONE) {
    PRINT('e', "Int0260", "Assignment operation source argument is not properly defined\n");
    return 1;
  }
  if (!src->value) {
    PRINT('e', "Int0265", "No value for assignment operation source argument\n");
    return 1;
  }
  if (target->data_type == D_UNKNOWN) {
    target->data_type = src->data_type;
    target->num_kind = src->num_kind;
  }
  bool nonzero = false;
  if (target->data_type == D_STRING) {
    std::string text = src->value;  // the source may be the target itself
    set_term_value(target, text.c_str(), text.size());
    target->num_kind = N_NONE;
    nonzero = !text.empty();
  } else if (target->data_type == D_INTEGER || target->data_type == D_DOUBLE) {
    double v = 0.0;
    if (src->data_type == D_STRING) {
      if (src->num_kind == N_NONE) term_str2num(src);
      if (src->num_kind == N_NONE) {
        PRINT('e', "Int0270", "Argument %s value can not be converted into number\n", src->text);
        return 1;
      }
      v = term_number(src);
    } else if (src->data_type == D_INTEGER || src->data_type == D_DOUBLE) {
      v = term_number(src);
    } else {
      PRINT('e', "Int0280", "Invalid argument type\n");
      return 1;
    }
    if (target->data_type == D_INTEGER) {
      set_integer(target, clamp_int(v));
      nonzero = target->ival != 0;
    } else {
      set_double(target, v);
      nonzero = v != 0.0;
    }
  } else {
    PRINT('e', "Int0300", "Invalid argument type\n");
    return 1;
  }
  set_logical(r, nonzero);
  return 0;
}

int plus_prc(TERM_TABLE** a, int n, TERM_TABLE* r) {
  double v[3] = {};
  int16_t kind = N_NONE;
  if (n < 2 || arithm_subr(a, n, v, &kind)) return 1;
  set_arith(r, v[0] + v[1] + (n > 2 ? v[2] : 0.0), kind);
  return 0;
}

int minus_prc(TERM_TABLE** a, int n, TERM_TABLE* r) {
  double v[2] = {};
  int16_t kind = N_NONE;
  if (arithm_subr(a, n, v, &kind)) return 1;
  set_arith(r, v[0] - v[1], kind);
  return 0;
}

int mltpl_prc(TERM_TABLE** a, int n, TERM_TABLE* r) {
  double v[2] = {};
  int16_t kind = N_NONE;
  if (arithm_subr(a, n, v, &kind)) return 1;
  set_arith(r, v[0] * v[1], kind);
  return 0;
}

int div_prc(TERM_TABLE** a, int n, TERM_TABLE* r) {
  double v[2] = {};
  int16_t kind = N_NONE;
  if (arithm_subr(a, n, v, &kind)) return 1;
  if (v[1] == 0.0) {
    PRINT('e', "Int0340", "Can not divide by 0\n");
    return 1;
  }
  set_double(r, v[0] / v[1]);
  return 0;
}

int neg_prc(TERM_TABLE** a, int n, TERM_TABLE* r) {
  double v[1] = {};
  int16_t kind = N_NONE;
  if (arithm_subr(a, n, v, &kind)) return 1;
  set_arith(r, v[0] * -1.0, kind);
  return 0;
}

int sum_func(TERM_TABLE** a, int, TERM_TABLE* r) {
  TERM_TABLE* x = a[0];
  TERM_TABLE* acc = hidden_term(state_calls++);
  if (is_texty(x) && x->num_kind == N_NONE) term_str2num(x);
  switch (select_state.proc_mode) {
    case PM_PREPARE:
    case PM_RESET:
      if (x->num_kind != N_INTEGER && x->num_kind != N_DOUBLE) {
        // A value that is no number ends this evaluation, not the process.
        if (select_state.proc_mode == PM_RESET)
          PRINT('e', "SEL0170", "A TERM_TABLE struct corrupted: quitting\n");
        else
          PRINT('e', "SEL0150", "A TERM_TABLE struct corrupted\n");
        return 1;
      }
      if (x->num_kind == N_INTEGER)
        set_integer(acc, x->ival);
      else
        set_double(acc, x->dval);
      break;
    case PM_EXECUTE:
      if ((x->num_kind != N_INTEGER && x->num_kind != N_DOUBLE) ||
          (acc->num_kind != N_INTEGER && acc->num_kind != N_DOUBLE)) {
        PRINT('e', "SEL0150", "A TERM_TABLE struct corrupted\n");
        return 1;
      }
      if (x->num_kind == N_INTEGER && acc->num_kind == N_INTEGER)
        set_integer(acc, clamp_int(static_cast<double>(acc->ival) + x->ival));
      else
        set_double(acc, term_number(acc) + term_number(x));
      break;
    default:
      PRINT('s', "SEL0140", "Corrupted: quitting\n");
      expr_fatal(4);
  }
  set_term_value(r, acc->value, strlen(acc->value));
  r->data_type = acc->data_type;
  r->num_kind = acc->num_kind;
  r->ival = acc->ival;
  r->dval = acc->dval;
  r->accumulator = acc;
  return 0;
}

int row_func(TERM_TABLE** a, int n, TERM_TABLE* r) {
  TERM_TABLE* state = hidden_term(state_calls++);
  int16_t mode = select_state.proc_mode;
  if (mode == PM_PREPARE || mode == PM_RESET) {
    // The plain (not accumulated) values of this row become the group's key.
    for (TERM_TABLE* c = state->copy; c;) {
      TERM_TABLE* next = c->next;
      c->next = nullptr;
      free_term(c, 1);
      c = next;
    }
    state->copy = nullptr;
    TERM_TABLE** tail = &state->copy;
    for (int i = 0; i < n; ++i) {
      if (a[i]->accumulator) continue;
      *tail = copy_term(a[i]);
      tail = &(*tail)->next;
    }
    select_state.row_status = RS_SAME_GROUP;
  } else if (mode == PM_EXECUTE) {
    bool differs = false;
    TERM_TABLE* c = state->copy;
    for (int i = 0; i < n && !differs; ++i) {
      if (a[i]->accumulator) continue;
      int cmp = 0;
      if (!c) {
        differs = true;
        break;
      }
      if (compare_subr(a[i], c, &cmp)) return 1;
      differs = cmp != 0;
      c = c->next;
    }
    select_state.row_status = differs ? RS_NEW_GROUP : RS_SAME_GROUP;
  } else {
    PRINT('e', "SEL0300", "Invalid proc_mode value\n");
    return 1;
  }
  r->term_type = T_VECTOR;
  r->data_type = D_UNKNOWN;
  TERM_TABLE** tail = &r->vector;
  for (int i = 0; i < n; ++i) {
    *tail = copy_term(a[i]);
    tail = &(*tail)->next;
  }
  return 0;
}

void release_result(TERM_TABLE* result) {
  if (result) free_term(result, 1);
}

TERM_TABLE* interpreter(lexeme* rpn) {
  if (!rpn || !rpn[0]) return nullptr;
  int n = lex_list_size(rpn);
  TERM_TABLE* chain = nullptr;
  TERM_TABLE* last = nullptr;
  TERM_TABLE* args[MAX_ROW_ARGS + 1];
  state_calls = 0;
  for (int i = 0; i < n; ++i) {
    if (!rpn[i] || rpn[i]->entry_kind == ENTRY_TERM) continue;
    if (rpn[i]->entry_kind != ENTRY_OPERATION) {
      PRINT('e', "Int0040", "Invalid lexeme type\n");
      free_work_chain(chain, nullptr);
      return nullptr;
    }
    const OPER_ENTRY* op = static_cast<const OPER_ENTRY*>(rpn[i]);
    int nargs = 0;
    TERM_TABLE* result = nullptr;
    if (get_args(args, i, rpn, op, &nargs) == 0) {
      result = alloc_term(T_NAME, D_UNKNOWN);
      result->work = 1;
      result->bound = 1;
      result->next = chain;
      chain = result;
      if (perform_oper(op, args, nargs, result)) result = nullptr;
    }
    if (!result) {
      PRINT('e', "Int0030", "Operation %s failed\n", op->text);
      free_work_chain(chain, nullptr);
      return nullptr;
    }
    rpn[i] = result;
    last = result;
  }
  free_work_chain(chain, last);
  return last;
}

TERM_TABLE* evaluate_copy(const lexeme* rpn) {
  if (!rpn) return nullptr;
  lexeme* copy = copy_lex_list(rpn);
  if (!copy) {
    PRINT('e', "Int0060", "Can not acquire memory\n");
    return nullptr;
  }
  TERM_TABLE* result = interpreter(copy);
  free_lex_list(copy);
  return result;
}
