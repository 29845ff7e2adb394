// Loads: after a run, each load of the cursor moves one value (a column of one
// of its rows, an aggregate over its rows, or a column function) into a column
// of a virtual cursor's last row. A run without rows loads the dictionary's
// initial value instead.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ctl/clause_records.h"
#include "ctl/curs.h"
#include "ctl/dict.h"
#include "rows/age_to_loads.h"
#include "rows/row_chain.h"
#include "rows/row_record.h"
#include "util/print.h"

namespace {

const load_steps* registered = nullptr;

bool is_number(const columns* c) { return c->data_type == 2 || c->orig_type == 2; }

// The value of `col` in `row`: its fmt_len bytes, up to a NUL.
std::string_view value_in(const text_row* row, const columns* col) {
  const char* p = row->text() + col->offset;
  return {p, strnlen(p, static_cast<size_t>(col->fmt_len))};
}

// No rows this run: the target takes the dictionary's initial value of an
// element named like the target column.
void set_defaults(curs* cur, const columns* target, char* place) {
  if (cur->trace) PRINT('t', "plo3100", "Setting defaults at loads for cur = %s\n", cur->cur_name);
  for (const d_ptr* d = dictionary.dict_anchor; d; d = d->next) {
    if (strcmp(d->name, target->name) != 0 || !d->type_set) continue;
    // Never past the target's own place, whatever length the entry claims.
    const size_t len = static_cast<size_t>(
        std::clamp<int>(std::min<int>(d->length, target->fmt_len), 0, target->fmt_len));
    memset(place, ' ', len);
    if (d->has_initial) memcpy(place, d->initial.data(), std::min(d->initial.size(), len));
    return;
  }
}

int64_t add_saturating(int64_t a, int64_t b) {
  int64_t sum = 0;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return a > 0 ? INT64_MAX : INT64_MIN;
}

// Adds `row`'s value of the load's source to its running values.
void accumulate(lp_ptr* lp, const text_row* row) {
  if (lp->is_count) {
    ++lp->ll_count;
    return;
  }
  std::string text(value_in(row, lp->source_spec));
  const char* p = text.c_str();
  while (*p == ' ') ++p;
  if (lp->is_sum) {
    int64_t v = 0;
    (void)qvzstrtoll(p, &v);
    lp->ll_sum = add_saturating(lp->ll_sum, v);
  } else {
    lp->dbl_sum += strtod(p, nullptr);
    ++lp->ll_count;
  }
}

std::string aggregate_text(const lp_ptr* lp) {
  char buf[64];
  if (lp->is_count)
    snprintf(buf, sizeof buf, "%lld", static_cast<long long>(lp->ll_count));
  else if (lp->is_sum)
    snprintf(buf, sizeof buf, "%lld", static_cast<long long>(lp->ll_sum));
  else if (lp->ll_count == 0)
    return "0.0";
  else
    snprintf(buf, sizeof buf, "%.2f", lp->dbl_sum / static_cast<double>(lp->ll_count));
  return buf;
}

// The row of `cur` whose value of `col` is the smallest (or, with `max`, the
// largest) byte by byte; the first wins ties.
const text_row* min_max_row(const curs* cur, const columns* col, bool max) {
  const text_row* best = nullptr;
  const size_t len = static_cast<size_t>(col->fmt_len);
  for (const text_row* row = cur->first_row; row; row = row->next) {
    if (!best) {
      best = row;
      continue;
    }
    int r = memcmp(row->text() + col->offset, best->text() + col->offset, len);
    if (max ? r > 0 : r < 0) best = row;
  }
  return best;
}

// The row whose source value a plain load, WHERE or FROM load takes; null
// leaves the target unchanged. `bad` is set for a FROM form it cannot serve.
const text_row* chosen_row(curs* cur, const lp_ptr* lp, bool* bad) {
  if (lp->has_where) {
    if (!registered || !registered->where_holds) return nullptr;
    for (const text_row* row = cur->first_row; row; row = row->next)
      if (registered->where_holds(cur, lp->where_ops, row)) return row;
    return nullptr;
  }
  if (lp->has_from) {
    if (lp->is_min || lp->is_max) return min_max_row(cur, lp->minmax_column, lp->is_max != 0);
    if (lp->is_max_occurance)
      return registered && registered->max_occurance
                 ? registered->max_occurance(cur, lp->minmax_column)
                 : nullptr;
    *bad = true;
    return nullptr;
  }
  return cur->last_row;
}

}  // namespace

void set_load_steps(const load_steps* steps) { registered = steps; }
const load_steps* registered_load_steps() { return registered; }

int set_one_var(const columns* source, const columns* target, char* place, std::string_view value,
                curs* cur, bool number) {
  if (source && cur->trace)
    PRINT('t', "plo3095", "Moving '%.50s' from %s (%d:%d) to %s (%d:%d)\n",
          std::string(value).c_str(), source->name, static_cast<int>(value.size()),
          source->data_type, target->name, target->fmt_len, target->data_type);
  while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
  while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
  const size_t len = static_cast<size_t>(std::max<int16_t>(target->fmt_len, 0));
  if (number) {
    if (value.size() >= len) {
      memcpy(place, value.data() + value.size() - len, len);
    } else {
      memset(place, ' ', len - value.size());
      memcpy(place + len - value.size(), value.data(), value.size());
    }
  } else {
    const size_t n = std::min(value.size(), len);
    memcpy(place, value.data(), n);
    memset(place + n, ' ', len - n);
  }
  return 0;
}

int process_loads(curs* cur, int rows) {
  int result = 0;
  for (lp_ptr* lp = cur->parsed_loads; lp; lp = lp->next) {
    cur->new_data = cur->new_data_eval = 1;
    curs* target = lp->target_cursor;
    const columns* tcol = lp->target_column;
    // A target without a row has no place to load into.
    if (!target || !tcol || !target->last_row) continue;
    target->new_data = target->new_data_eval = 1;
    char* place = target->last_row->text() + tcol->offset;
    if (rows == 0) {
      set_defaults(cur, tcol, place);
      continue;
    }
    columns* spec = lp->source_spec;
    // Taken at every pass: a changed select list lays the source out again.
    {
      spec->orig_type = lp->source->orig_type;
      spec->offset = lp->source->offset;
      spec->water_set = lp->source->water_set;
      spec->water_value = lp->source->water_value;
      spec->fmt_len = lp->source->fmt_len;
      lp->source_set = 1;
    }

    if (spec->col_funct) {
      std::vector<char> work(static_cast<size_t>(std::max<int16_t>(spec->fmt_len, 255)) + 1, ' ');
      if (!registered || !registered->col_function ||
          registered->col_function(cur, spec, work.data()) != 0) {
        PRINT('e', "plo3105", "Col_function_load() failed for load, cur = %s, load = %s\n",
              cur->cur_name, spec->name);
        break;
      }
      result += set_one_var(spec, tcol, place,
                            {work.data(), static_cast<size_t>(std::max<int16_t>(spec->fmt_len, 0))},
                            cur, is_number(spec));
      continue;
    }

    if (lp->is_count || lp->is_sum || lp->is_average) {
      lp->dbl_sum = 0.0;
      lp->ll_sum = lp->ll_count = 0;
      for (const text_row* row = cur->first_row; row; row = row->next) {
        const bool holds = !lp->has_where || (registered && registered->where_holds &&
                                              registered->where_holds(cur, lp->where_ops, row));
        if (holds) accumulate(lp, row);
      }
      std::string text = aggregate_text(lp);
      if (cur->trace)
        PRINT('t', "plo3107", "Moving '%s' from %s (%d:%d) to %s (%d:%d)\n", text.c_str(),
              spec->name, static_cast<int>(text.size()), spec->data_type, tcol->name, tcol->fmt_len,
              tcol->data_type);
      result += set_one_var(nullptr, tcol, place, text, cur, is_number(tcol));
      continue;
    }

    bool bad = false;
    const text_row* row = chosen_row(cur, lp, &bad);
    if (bad) PRINT('e', "plo3110", "Bad load directive %s\n", spec->name);
    if (!row) continue;
    result += set_one_var(lp->source, tcol, place, value_in(row, spec), cur, is_number(lp->source));
  }
  return result;
}
