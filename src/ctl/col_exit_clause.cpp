// The column_exit clause parser: COLUMN ROUTINE [arguments], with the
// routine's name looked up in the fixed table of exit definitions.
#include "ctl/col_exit_clause.h"

#include <cstring>
#include <string>

#include "ctl/arena.h"
#include "ctl/clause_words.h"
#include "ctl/clauses.h"
#include "ctl/curs.h"
#include "util/print.h"

const col_ex_def col_exits[col_ex_count] = {
    {"R_JUSTIFY", "r_justify", col_ex_no_args}, {"L_JUSTIFY", "l_justify", col_ex_no_args},
    {"MINUTES", "minutes", col_ex_no_args},     {"SUBSTR", "substr", col_ex_start_len},
    {"CONCAT", "concat", col_ex_column},        {"MINUTES2", "minutes2", col_ex_no_args},
    {"TIMESTAMP", "timestamp", col_ex_no_args},
};

namespace {

constexpr int max_arg = 2048;

// Reads one SUBSTR number. Returns 0 with its value, or 1 after the message
// of `ids`: missing, not numeric, too large, below 1.
struct number_ids {
  const char* missing;
  const char* missing_text;
  const char* not_numeric;
  const char* excessive;
  const char* below_one;
};

int read_number(clause_words& words, const number_ids& ids, int16_t& out) {
  clause_word w;
  if (words.next(w) != 1) {
    PRINT('e', ids.missing, "%s", ids.missing_text);
    return 1;
  }
  if (!w.numeric()) {
    PRINT('e', ids.not_numeric, "Found non-numeric where number required\n");
    return 1;
  }
  long long v = w.integer();
  if (v > max_arg) {
    // Shown as an int like the limit; larger values read as the int maximum.
    PRINT('e', ids.excessive, "Numeric is excessive %d > %d\n",
          static_cast<int>(v > INT32_MAX ? INT32_MAX : v), max_arg);
    return 1;
  }
  if (v < 1) {
    PRINT('e', ids.below_one, "Numeric is less than 1 %d\n",
          static_cast<int>(v < INT32_MIN ? INT32_MIN : v));
    return 1;
  }
  out = static_cast<int16_t>(v);
  return 0;
}

int start_and_length(clause_words& words, cxl_ptr* rec) {
  clause_word w;
  if (words.next(w) != 1 || !w.is_char('(')) {
    PRINT('e', "pcl4120", "Missing parenthesis\n");
    return 1;
  }
  static constexpr number_ids first{"pcl4125", "Missing numeric operand\n", "pcl4130", "pcl4135",
                                    "pcl4137"};
  if (read_number(words, first, rec->arg1) != 0) return 1;
  if (words.next(w) != 1) {
    PRINT('e', "pcl4140", "Missing required comma\n");
    return 1;
  }
  if (!w.is_char(',')) {
    PRINT('e', "pcl4145", "Missing required comma\n");
    return 1;
  }
  static constexpr number_ids second{"pcl4150", "Missing second numeric operand\n", "pcl4155",
                                     "pcl4160", "pcl4165"};
  if (read_number(words, second, rec->arg2) != 0) return 1;
  if (words.next(w) != 1 || !w.is_char(')')) {
    PRINT('e', "pcl4175", "Missing ending parenthesis\n");
    return 1;
  }
  if (rec->arg1 + rec->arg2 > max_arg) {
    PRINT('w', "pcl4170", "Numeric sum excessive %d\n", rec->arg1 + rec->arg2);
  }
  return 0;
}

}  // namespace

int parse_col_ex_args(clause_words& words, const col_ex_def& def, cxl_ptr* rec) {
  switch (def.kind) {
    case col_ex_no_args:
      return 0;
    case col_ex_start_len:
      return start_and_length(words, rec);
    case col_ex_column: {
      clause_word w;
      if (words.next(w) != 1) {
        PRINT('e', "pcl4110", "Missing column name in concat\n");
        return 1;
      }
      if (!copy_name(rec->column2, sizeof rec->column2, w.str, w.len)) {
        PRINT('e', "ccl4115", "Excessive length on %s\n", w.text().c_str());
        return 1;
      }
      return 0;
    }
  }
  PRINT('e', "pcl4180", "Improper type in exit definition - %d\n", def.kind);
  return 1;
}

int parse_col_ex(curs* cur, char* rest) {
  std::string text = shown(rest);
  clause_words words(rest, rest + strlen(rest));
  auto* rec = cursor_arena().make<cxl_ptr>();
  clause_word w;
  if (words.next(w) != 1 || !w.is_name()) {
    PRINT('e', "pde4085", "Bad decode syntax : %s\n", text.c_str());
    return 1;
  }
  if (!copy_name(rec->column, sizeof rec->column, w.str, w.len)) {
    PRINT('e', "pcc4090", "Column name too long (%d) in %s\n", w.len, text.c_str());
    return 1;
  }
  if (words.next(w) != 1) {
    PRINT('e', "pde4095", "Bad decode syntax : %s\n", text.c_str());
    return 1;
  }
  if (w.len >= 20) {
    PRINT('e', "pcf4100", "Function name too long (%d) in %s\n", w.len, text.c_str());
    return 1;
  }
  for (const col_ex_def& def : col_exits) {
    if (w.is(def.upper) || w.is(def.lower)) rec->routine = &def;
    if (rec->routine != nullptr) break;
  }
  if (rec->routine == nullptr) {
    PRINT('e', "pcf4105", "Column exit routine name not known\n");
    return 1;
  }
  if (parse_col_ex_args(words, *rec->routine, rec) != 0) return 1;
  if (words.next(w) != 0) {
    PRINT('e', "pcl4185", "Excessive text after column exit in %s\n", text.c_str());
    return 1;
  }

  cxl_ptr* first = cur->col_exits;
  while (first != nullptr && memcmp(first->column, rec->column, sizeof rec->column) != 0) {
    first = first->next;
  }
  if (first != nullptr) {
    cxl_ptr** at = &first->same_column;
    while (*at != nullptr) at = &(*at)->same_column;
    *at = rec;
  } else {
    append_chain(cur->col_exits, rec);
  }
  return 0;
}
