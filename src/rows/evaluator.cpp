// The evaluator process: for each cursor with evaluations, a copy of its rows
// and summary row per pass, the comparisons of the eval file over them, and
// the selected rows sent to the probe in row order.
#include "rows/evaluator.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/curs.h"
#include "ctl/distributor.h"
#include "ctl/eval.h"
#include "ctl/windows.h"
#include "rows/column_functions.h"
#include "rows/row_chain.h"
#include "rows/row_hooks.h"
#include "rows/row_record.h"
#include "util/print.h"
#include "util/reltime.h"

pred_rows::~pred_rows() { free(rows); }

namespace {

// Texts longer than this are reported by do_compare (and still compared).
constexpr int kLongestCompared = 2048;

// Byte `i` of a value of `len` bytes read as blank-padded text: past its end,
// and past its first NUL, a blank.
unsigned char padded_byte(const char* text, size_t len, size_t nul_at, size_t i) {
  return i < len && i < nul_at ? static_cast<unsigned char>(text[i]) : ' ';
}

// memcmp over the longer of the two, the shorter padded with blanks.
int compare_padded(const char* a, size_t a_len, const char* b, size_t b_len) {
  const size_t a_nul = strnlen(a, a_len), b_nul = strnlen(b, b_len);
  const size_t n = a_len > b_len ? a_len : b_len;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = padded_byte(a, a_len, a_nul, i), y = padded_byte(b, b_len, b_nul, i);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

bool class_served(const distributor* d, int32_t cls) {
  return cls >= 0 && cls <= 50 && d->classes[cls] != 0;
}

// One pass over one cursor's predicate rows.
struct pass {
  curs* cur;
  pred_rows& pred;
  bool traced;

  pred_row* summary() {
    return pred.count > 0 && pred.rows[pred.count - 1].kind == 2 ? &pred.rows[pred.count - 1]
                                                                 : nullptr;
  }
  int32_t index_of(const pred_row* r) const { return static_cast<int32_t>(r - pred.rows); }

  void select(pred_row* r, int16_t reason, const e_ptr* e) {
    r->selected = 1;
    r->reason = reason;
    r->ordinal = static_cast<int16_t>(e->ordinal);
  }

  // Every stored row not yet selected, compared as a plain column.
  void rows_by_column(const columns* col, e_ptr* e) {
    for (int32_t i = 0; i < pred.count; ++i) {
      pred_row* r = &pred.rows[i];
      if (r->kind != 1) continue;
      if (r->selected) {
        if (traced) PRINT('t', "cev1730", "Row stat set before %s\n", e->eval_name);
        continue;
      }
      if (do_compare(col, r->text + col->offset, e)) {
        select(r, REASON_MATCH, e);
        e->eval_result = 1;
      } else {
        e->false_row = i;
      }
    }
  }

  // The summary row's value of a function column. False when there is no
  // summary row (reported).
  bool by_function(const columns* col, e_ptr* e) {
    pred_row* s = summary();
    if (!s) {
      PRINT('w', "cev1705", "No column data for %s\n", cur->cur_name);
      return false;
    }
    const char* value = s->text + col->offset;
    const size_t len = static_cast<size_t>(col->fmt_len);
    if (!do_compare(col, value, e)) {
      e->false_row = index_of(s);
      return true;
    }
    e->eval_result = 1;
    if (col->col_funct == FUNCT_MIN || col->col_funct == FUNCT_MAX) {
      // The stored row that holds the chosen value is the one worth sending.
      for (int32_t i = 0; i < pred.count; ++i) {
        pred_row* r = &pred.rows[i];
        if (r->kind != 1 || memcmp(r->text + col->offset, value, len) != 0) continue;
        if (r->selected) {
          if (traced) PRINT('t', "cev1715", "Col stat set before %s\n", e->eval_name);
          continue;
        }
        select(r, col->col_funct == FUNCT_MIN ? REASON_MIN : REASON_MAX, e);
        break;
      }
    } else if (s->selected) {
      if (traced) PRINT('t', "cev1720", "Col stat set before %s\n", e->eval_name);
    } else {
      select(s, REASON_MATCH, e);
    }
    return true;
  }

  // No column carries the evaluation's function: the function is computed
  // over the column of that name, or its rows compared as they stand.
  void without_match(e_ptr* e) {
    if (traced) PRINT('t', "cev1740", "No column/col-funct match for eval %s\n", e->eval_name);
    columns* col = cur->column_list;
    while (col && !(col->name_len == e->column_len &&
                    memcmp(col->name, e->column, static_cast<size_t>(e->column_len)) == 0))
      col = col->next;
    if (!col) {
      PRINT('w', "cev1750", "Can't match for eval %d\n", e->ordinal);
      return;
    }
    if (e->col_funct == 0) {
      rows_by_column(col, e);
      return;
    }
    std::vector<char> value(static_cast<size_t>(col->fmt_len) + 1, '\0');
    const int rc = col_function_as(cur, col, e->col_funct, value.data());
    cur->min_max_row = nullptr;  // not building the summary row
    if (rc != 0 || !do_compare(col, value.data(), e)) return;
    for (int32_t i = 0; i < pred.count; ++i)
      if (!pred.rows[i].selected) select(&pred.rows[i], REASON_MATCH, e);
    e->eval_result = 1;
  }

  void evaluate(e_ptr* e) {
    e->prev_result = e->eval_result;
    e->eval_result = 0;
    e->false_row = -1;
    if (traced)
      PRINT('t', "cev1685", "for eval: funct = %d, col_ll = %d , col = %s\n", e->col_funct,
            e->column_len, e->column);
    for (const columns* col = cur->column_list; col; col = col->next) {
      if (traced)
        PRINT('t', "cev1695", "for col: funct = %d, col_ll = %d , col = %s\n", col->col_funct,
              col->name_len, col->name);
      if (col->col_funct != e->col_funct || col->name_len != e->column_len ||
          memcmp(col->name, e->column, static_cast<size_t>(e->column_len)) != 0)
        continue;
      if (e->col_funct == 0) {
        rows_by_column(col, e);
        return;
      }
      if (by_function(col, e)) return;
    }
    without_match(e);
  }

  // send_false: an evaluation that matched last pass and not now sends the
  // row that did not match.
  void report_ends(const distributor* d) {
    if (!d->send_false) return;
    for (e_ptr* e = cur->evals; e; e = e->next)
      if (e->prev_result && !e->eval_result && e->false_row >= 0 &&
          !pred.rows[e->false_row].selected)
        select(&pred.rows[e->false_row], REASON_FALSE, e);
  }

  void send() {
    const probe_row_steps* steps = probe_steps();
    if (!steps || get_row_size(cur) < 0) return;
    std::vector<char> record(static_cast<size_t>(cur->row_size) + 8, '\0');
    for (int32_t i = 0; i < pred.count; ++i) {
      if (!pred.rows[i].selected) continue;
      make_row(cur, record.data(), pred.rows[i].text);
      if (steps->send_a_row(cur, record.data()) != 0) {
        // Unsent results must be found again next pass.
        for (e_ptr* e = cur->evals; e; e = e->next) e->eval_result = e->prev_result;
        return;
      }
    }
  }
};

}  // namespace

int do_compare(const columns* col, const char* value, const e_ptr* e) {
  const size_t len = static_cast<size_t>(col->fmt_len);
  if ((col->col_funct == FUNCT_HIGH_WATER || col->col_funct == FUNCT_LOW_WATER) && col->water_set &&
      col->water_value.size() == len)
    value = col->water_value.data();
  if (col->fmt_len > kLongestCompared)
    PRINT('e', "cev1795", "Improper length on column string %s\n", col->name);
  const size_t constant_len =
      e->value_len < 0 ? 0 : std::min(static_cast<size_t>(e->value_len), e->value_text.size());
  if (e->value_len > kLongestCompared || e->value_len < 0)
    PRINT('e', "cev1800", "Improper length on constant string %s\n", e->value_text.c_str());

  int c;
  if (e->value_type == 1 && col->orig_type == 2) {
    std::string text(value, strnlen(value, len));
    const char* p = text.c_str();
    while (*p == ' ') ++p;
    const double v = strtod(p, nullptr);
    c = v < e->value ? -1 : v > e->value ? 1 : 0;
  } else {
    c = compare_padded(value, len, e->value_text.data(), constant_len);
  }
  return (c < 0 ? e->op_lt : c == 0 ? e->op_eq : e->op_gt) != 0;
}

int get_predicate_rows(curs* cur, pred_rows* out) {
  const probe_row_steps* steps = probe_steps();
  if (!steps || steps->open_for_reading(cur) != 0) return 1;
  // A summary row made for a shorter layout (a virtual cursor opened without
  // building it) is not read past its end.
  const text_row* summary = cur->last_row;
  if (cur->has_col_funct) summary = cur->function_len >= cur->length ? cur->function_row : nullptr;
  int32_t count = summary ? 1 : 0;
  for (const text_row* r = cur->first_row; r; r = r->next) ++count;
  // Entries first, then one text per entry on pointer alignment.
  const size_t stride = (static_cast<size_t>(cur->length) + 1 + 7) & ~static_cast<size_t>(7);
  const size_t head = (sizeof(pred_row) * static_cast<size_t>(count) + 7) & ~static_cast<size_t>(7);
  void* block = calloc(1, head + stride * static_cast<size_t>(count) + 8);
  if (!block) {
    PRINT('e', "cev1680", "Unable to get memory for predicate eval\n");
    return 2;
  }
  out->rows = static_cast<pred_row*>(block);
  out->count = count;
  char* text = static_cast<char*>(block) + head;
  int32_t i = 0;
  auto add = [&](const text_row* r, int16_t kind) {
    pred_row* p = new (&out->rows[i++]) pred_row;
    p->kind = kind;
    p->text = text;
    memcpy(text, r->text(), static_cast<size_t>(cur->length));
    text += stride;
  };
  for (const text_row* r = cur->first_row; r; r = r->next) add(r, 1);
  if (summary) add(summary, 2);
  cur->new_data_eval = 0;
  return 0;
}

int do_evaluator(const char* time_text, distributor* d) {
  const int32_t now = static_cast<int32_t>(relative_sec(time_text));
  int rc = 0;
  for (curs* c = anchors.cur_anchor; c; c = c->next) {
    if (c->window_close <= now) set_window_c(c, now);
    if (c->window_open > now || c->hold == 'Y' || !class_served(d, c->class_) || !c->evals)
      continue;
    pred_rows pred;
    if (int built = get_predicate_rows(c, &pred); built != 0) {
      rc = built;
      continue;
    }
    pass p{c, pred, c->trace != 0};
    for (e_ptr* e = c->evals; e; e = e->next) p.evaluate(e);
    p.report_ends(d);
    p.send();
  }
  return rc;
}
