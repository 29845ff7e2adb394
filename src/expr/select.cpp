// Running a select: the select environment, the walk over a cursor's current
// sample, the where clause and select list evaluated per row, the grouping of
// consecutive rows by their plain values, and the disposal of each group's
// result into the caller's target.
#include "expr/select.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "ctl/curs.h"
#include "exits/child_exec.h"
#include "expr/interpreter.h"
#include "rows/host_merge.h"
#include "rows/row_chain.h"
#include "util/print.h"

namespace {

// A text handed to a TARGET_TEXT target, kept until end_exec_sql.
struct kept_text {
  kept_text* next;
  char* text;
};

// The select environment and the one cursor a select has open.
struct select_env {
  bool open = false;                     // between start_exec_sql and end_exec_sql
  TERM_TABLE* term_tb_anchor = nullptr;  // the select's term table as started
  kept_text* texts = nullptr;            // texts given to text targets
  curs* cursor = nullptr;                // the cursor open for select, or null
  text_row* row = nullptr;               // its current row; null before the first
  r_exec_chain** row_tail = nullptr;     // the empty next slot of the row target's last line
} env;

r_exec_chain* new_line(const char* text) {
  r_exec_chain* line = new (std::nothrow) r_exec_chain;
  if (!line) {
    PRINT('s', "SEL1000", "Can not acquire memory: quitting\n");
    expr_fatal(4);
  }
  line->line = text;
  line->len = static_cast<int32_t>(line->line.size() + 1);
  return line;
}

void free_kept_texts() {
  while (kept_text* k = env.texts) {
    env.texts = k->next;
    free(k->text);
    delete k;
  }
}

}  // namespace

void require_exec_sql() {
  if (env.open) return;
  PRINT('s', "SEL1010", "SQL-like processing not initialized: quitting\n");
  expr_fatal(4);
}

namespace {

bool in_sample(const curs* cur, const text_row* row) {
  return cur->samples <= 0 || row->sample_no == static_cast<int16_t>(cur->sample_no);
}

text_row* sample_row_from(const curs* cur, text_row* row) {
  while (row && !in_sample(cur, row)) row = row->next;
  return row;
}

bool is_text(const TERM_TABLE* t) { return t->data_type == D_STRING || t->data_type == D_UNKNOWN; }

// A row value as one word of a result line: quoted when it holds a blank.
std::string as_word(const TERM_TABLE* t) {
  std::string v = trim_blanks(t->value ? t->value : "");
  if (!v.empty() && v.find(' ') == std::string::npos) return v;
  char q = v.find('\'') == std::string::npos ? '\'' : '"';
  return q + v + q;
}

// The select list's values of one result: every vector element but the last,
// which is the row function argument.
int value_count(const TERM_TABLE* result) {
  int n = -1;
  for (const TERM_TABLE* e = result->vector; e; e = e->next) ++n;
  return n;
}

int store_into(const TERM_TABLE* result, void* target, int target_type) {
  if (!result || result->term_type != T_VECTOR || !result->vector || value_count(result) < 1) {
    PRINT('e', "SEL0600", "Invalid SELECT result structure\n");
    return 1;
  }
  const TERM_TABLE* e = result->vector;
  if (target_type >= TARGET_TEXT && target_type <= TARGET_FLOAT && value_count(result) > 1)
    PRINT('w', "SEL0610",
          "Can not store a row into variable: taking just the first column of the row\n");
  switch (target_type) {
    case TARGET_TEXT: {
      kept_text* k = e->value ? new (std::nothrow) kept_text{env.texts, strdup(e->value)} : nullptr;
      if (!k || !k->text) {
        if (k) delete k;
        PRINT('e', "SEL0620", "Invalid SELECT result structure\n");
        return 1;
      }
      env.texts = k;
      *static_cast<const char**>(target) = k->text;
      return 0;
    }
    case TARGET_INTEGER: {
      int32_t v = 0;
      if (is_text(e) || (e->data_type == D_DOUBLE && e->num_kind == N_NONE)) {
        if (!text_to_int(e->value ? e->value : "", &v)) {
          PRINT('e', "SEL0630", "Value of %s can not be converted into number\n",
                e->value ? e->value : "");
          return 1;
        }
      } else if (e->data_type == D_INTEGER || e->data_type == D_DOUBLE) {
        v = e->num_kind == N_INTEGER ? e->ival : truncated_int(e->dval);
      } else {
        PRINT('e', "SEL0640", "Invalid data type\n");
        return 1;
      }
      *static_cast<int32_t*>(target) = v;
      return 0;
    }
    case TARGET_FLOAT: {
      double v = 0.0;
      if (is_text(e) || (e->data_type == D_DOUBLE && e->num_kind == N_NONE)) {
        if (!text_to_double(e->value ? e->value : "", &v)) {
          PRINT('e', "SEL0650", "Value of %s can not be converted into number\n",
                e->value ? e->value : "");
          return 1;
        }
      } else if (e->data_type == D_INTEGER || e->data_type == D_DOUBLE) {
        v = term_number(e);
      } else {
        PRINT('e', "SEL0660", "Invalid data type\n");
        return 1;
      }
      *static_cast<float*>(target) = static_cast<float>(v);
      return 0;
    }
    case TARGET_ROW: {
      std::string line;
      int n = value_count(result);
      for (int i = 0; i < n; ++i, e = e->next) line += (i ? " " : "") + as_word(e);
      // The tail is found once per select, not once per group.
      if (!env.row_tail) {
        env.row_tail = static_cast<r_exec_chain**>(target);
        while (*env.row_tail) env.row_tail = &(*env.row_tail)->next;
      }
      *env.row_tail = new_line(line.c_str());
      env.row_tail = &(*env.row_tail)->next;
      return 0;
    }
    case TARGET_NONE:
      return 0;
    default:
      PRINT('e', "SEL0670", "Invalid target type\n");
      return 1;
  }
}

}  // namespace

std::string trim_blanks(const char* s) {
  const char* b = s;
  while (*b == ' ') ++b;
  const char* e = b + strlen(b);
  while (e > b && e[-1] == ' ') --e;
  return std::string(b, static_cast<size_t>(e - b));
}

bool text_to_double(const char* s, double* out) {
  std::string t = trim_blanks(s);
  if (t.empty()) return false;
  char* end = nullptr;
  errno = 0;
  double v = strtod(t.c_str(), &end);
  if (*end || errno == ERANGE || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

int32_t truncated_int(double v) {
  if (v >= static_cast<double>(INT32_MAX)) return INT32_MAX;
  if (v <= static_cast<double>(INT32_MIN)) return INT32_MIN;
  return static_cast<int32_t>(v);
}

bool text_to_int(const char* s, int32_t* out) {
  std::string t = trim_blanks(s);
  if (t.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long v = strtol(t.c_str(), &end, 10);
  if (!*end && !errno && v <= INT32_MAX && v >= INT32_MIN) {
    *out = static_cast<int32_t>(v);
    return true;
  }
  double d = 0.0;
  if (!text_to_double(s, &d)) return false;
  *out = truncated_int(d);
  return true;
}

void start_exec_sql(TERM_TABLE* anchor) {
  open_lexer(anchor);
  env.open = true;
  env.term_tb_anchor = anchor;
}

void end_exec_sql(TERM_TABLE** anchor_out) {
  require_exec_sql();
  close_lexer(anchor_out);
  free_kept_texts();
  env = select_env{};
}

bool exec_sql_open() { return env.open; }

void reset_select_env() {
  free_kept_texts();
  env = select_env{};
}

TERM_TABLE* get_active_term_tb_anchor() {
  return terms.term_tb_anchor ? terms.term_tb_anchor : env.term_tb_anchor;
}

int open_select_cursor(curs* cur) {
  if (!sample_row_from(cur, cur->first_row)) {
    PRINT('w', "SEL0010", "Cursor %s has no data\n", cur->cur_name);
    return 100;
  }
  env.cursor = cur;
  env.row = nullptr;
  return 0;
}

int fetch_next_row(curs* cur) {
  if (env.cursor != cur) return 1;
  text_row* next = sample_row_from(cur, env.row ? env.row->next : cur->first_row);
  if (!next) return 100;
  env.row = next;
  cur->current_row = next;
  return 0;
}

int close_select_cursor(curs* cur) {
  if (env.cursor != cur) {
    PRINT('e', "SEL0015", "Cursor %s is not open for select\n", cur->cur_name);
    return 1;
  }
  env.cursor = nullptr;
  env.row = nullptr;
  if (!cur->last_row) {
    PRINT('e', "SEL0020", "Cursor %s has no last row\n", cur->cur_name);
    return 1;
  }
  cur->current_row = cur->last_row;
  return 0;
}

namespace {

// Evaluates a fresh copy of `lb`'s RPN over the current row of `cur`.
TERM_TABLE* evaluate_part(lex_block* lb, curs* cur) {
  memcpy(lb->work, lb->rpn, static_cast<size_t>(lb->rpn_bytes));
  set_current_cursor(cur);
  TERM_TABLE* r = interpreter(lb->work);
  set_current_cursor(nullptr);
  return r;
}

}  // namespace

int evaluate_row(lex_block* where, curs* cur) {
  TERM_TABLE* r = evaluate_part(where, cur);
  if (!r) {
    PRINT('w', "SEL0050", "Can not evaluate a row for cursor %s:       may be next time\n",
          cur->cur_name);
    return 2;
  }
  int rc = 2;
  if (r->num_kind == N_INTEGER || r->num_kind == N_DOUBLE)
    rc = term_number(r) != 0.0 ? 1 : 0;
  else
    PRINT('w', "SEL0060",
          "Invalid conditional expression result for         cursor %s: will try next time\n",
          cur->cur_name);
  release_result(r);
  return rc;
}

TERM_TABLE* process_row(lex_block* list, curs* cur) {
  TERM_TABLE* r = evaluate_part(list, cur);
  if (!r) {
    set_row_status(RS_FAILED);
    PRINT('e', "SEL0100", "Can not process a row for cursor %s:       may be next time\n",
          cur->cur_name);
  }
  return r;
}

int dispose_result(TERM_TABLE* result, void* target, int target_type) {
  int rc = store_into(result, target, target_type);
  release_result(result);
  return rc;
}

int perform_select(lex_block* list, const char* list_text, const char* cursor_name, void* target,
                   int target_type, lex_block* where, const char* where_text) {
  require_exec_sql();
  env.row_tail = nullptr;
  curs* cur = find_cursor(cursor_name, strlen(cursor_name));
  if (!cur) {
    PRINT('e', "SEL0290", "Cursor %s not found\n", cursor_name);
    return 1;
  }
  if (!where_text) where = nullptr;
  if (ed_parse_sel_list(list, list_text, cursor_name) ||
      (where && parse_where(where, where_text, cursor_name)))
    return 1;
  if (open_select_cursor(cur) == 100) return 100;
  set_proc_mode(PM_PREPARE);
  set_row_status(RS_NONE);
  // The result of the group being built: disposed when the next row starts
  // another group, or after the last row.
  TERM_TABLE* held = nullptr;
  int rc = 0;
  for (;;) {
    int fetched = fetch_next_row(cur);
    if (fetched == 100) break;
    if (fetched != 0) {
      PRINT('s', "SEL0300", "Process for cursor %s corrupted: quitting\n", cur->cur_name);
      expr_fatal(4);
    }
    if (where) {
      int pass = evaluate_row(where, cur);
      if (pass == 2) PRINT('w', "SEL0320", "Ignoring a row for cursor %s\n", cur->cur_name);
      if (pass == 0 || pass == 2) continue;
      if (pass != 1) {
        PRINT('s', "SEL0330", "Process for cursor %s corrupted: quitting\n", cur->cur_name);
        expr_fatal(4);
      }
    }
    set_row_status(RS_SAME_GROUP);
    TERM_TABLE* now = process_row(list, cur);
    if (now) {
      set_proc_mode(PM_EXECUTE);
      if (get_row_status() == RS_NEW_GROUP) {
        if (dispose_result(held, target, target_type)) rc = 1;
        held = nullptr;
        release_result(now);
        // The row starts the new group: evaluated again, its sums restart.
        set_proc_mode(PM_RESET);
        now = process_row(list, cur);
        set_row_status(RS_SAME_GROUP);
        set_proc_mode(PM_EXECUTE);
      } else if (get_row_status() != RS_SAME_GROUP) {
        PRINT('w', "SEL0120", "Ignoring a row for cursor %s\n", cur->cur_name);
        release_result(now);
        continue;
      }
    }
    if (!now) {
      set_row_status(RS_FAILED);
      release_result(held);
      close_select_cursor(cur);
      return 1;
    }
    release_result(held);
    held = now;
  }
  if (close_select_cursor(cur)) {
    release_result(held);
    return 1;
  }
  // A ROW in the where clause sets the row status too: the held result is
  // what tells whether a row was processed.
  int16_t status = get_row_status();
  if (!held || (status != RS_SAME_GROUP && status != RS_NEW_GROUP)) {
    release_result(held);
    return 100;
  }
  if (dispose_result(held, target, target_type)) rc = 1;
  env.row_tail = nullptr;
  return rc;
}

void chain_internal_res(const char* text, r_exec_chain** chain) {
  r_exec_chain** tail = chain;
  while (*tail) tail = &(*tail)->next;
  *tail = new_line(text);
}
