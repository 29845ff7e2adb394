// The load clause: load texts are kept as written while the cursor file is
// read and parsed once every cursor exists (parse_loads), because a load names
// a column of a virtual cursor that may stand later in the file.
//   load [AVERAGE|SUM|COUNT] SOURCE -> TARGET.COLUMN
//        [WHERE condition | FROM MIN|MAX|MAX_OCCURANCE COLUMN]
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "ctl/anchors.h"
#include "ctl/arena.h"
#include "ctl/clause_records.h"
#include "ctl/clause_words.h"
#include "ctl/clauses.h"
#include "ctl/column_ref.h"
#include "ctl/curs.h"
#include "ctl/decode_clause.h"
#include "util/print.h"

namespace {

bool starts(const char* p, const char* word) { return strncmp(p, word, strlen(word)) == 0; }

// True when `p` starts with the keyword `lower` or `upper` followed by a blank
// or the end of the text.
bool keyword_at(const char* p, const char* lower, const char* upper) {
  size_t n = strlen(lower);
  return (starts(p, lower) || starts(p, upper)) && (p[n] == ' ' || p[n] == 0);
}

curs* find_cursor(const std::string& name) {
  char key[9] = {};
  if (name.size() >= sizeof key) return nullptr;
  memcpy(key, name.data(), name.size());
  for (curs* c = anchors.cur_anchor; c != nullptr; c = c->next) {
    if (memcmp(c->cur_name, key, sizeof key) == 0) return c;
  }
  return nullptr;
}

columns* column_named(curs* cur, const char* name, int nth = 1) {
  for (columns* col = cur->column_list; col != nullptr; col = col->next) {
    if (strcmp(col->name, name) == 0 && --nth == 0) return col;
  }
  return nullptr;
}

// The n-th column of the cursor, counted from 1 (0 counts as 1).
columns* column_at(curs* cur, long n) {
  columns* col = cur->column_list;
  for (long i = 1; i < n && col != nullptr; ++i) col = col->next;
  return col;
}

// The source column that `spec` names: the first column of exactly that name;
// otherwise, with an n! number, the n-th column bearing the name written
// after the number, or the n-th column of the cursor when no name follows it.
columns* find_source(curs* cur, const columns* spec) {
  if (columns* col = column_named(cur, spec->name)) return col;
  if (spec->occurrence <= 0) return nullptr;
  const char* rest = spec->name;
  while (*rest >= '0' && *rest <= '9') ++rest;
  if (*rest == '!') ++rest;
  if (*rest == 0) return column_at(cur, spec->occurrence);
  return column_named(cur, rest, spec->occurrence);
}

// The FROM part of a load (`p` after "from"): MIN, MAX or MAX_OCCURANCE and the
// column of `cur` that decides. Advances `p`; 0, or 1 after reporting.
int parse_load_from(curs* cur, lp_ptr* lp, const char*& p, const char* lt) {
  const char* name = cur->cur_name;
  if (lp->is_count || lp->is_sum || lp->is_average) {
    PRINT('e', "plo3065", "Cannot have FROM directive with count/sum/average in load\n");
    return 1;
  }
  p = skip_blanks(p + 4);
  if (starts(p, "MIN ") || starts(p, "min ")) {
    lp->is_min = 1;
    p += 4;
  } else if (starts(p, "MAX ") || starts(p, "max ")) {
    lp->is_max = 1;
    p += 4;
  } else if (starts(p, "MAX_OCCURANCE ") || starts(p, "max_occurance ")) {
    lp->is_max_occurance = 1;
    p += 14;
  } else {
    PRINT('e', "plo3070", "From requires min/max/max_occurance in load\n");
    return 1;
  }
  p = skip_blanks(p);
  size_t n = span_to_blank(p);
  std::string minmax(p, n);
  p = skip_blanks(p + n);
  if (minmax.empty()) {
    PRINT('e', "plo3075", "No min_max column name in cursor %s load %s\n", name, lt);
    return 1;
  }
  lp->minmax_column = minmax.size() <= 49 ? column_named(cur, minmax.c_str()) : nullptr;
  if (lp->minmax_column == nullptr) {
    PRINT('e', "plo3080", "MIN-MAX column (%s) not found for cursor %s load %s\n", minmax.c_str(),
          name, lt);
    return 1;
  }
  lp->has_from = 1;
  return 0;
}

// Parses one load text of `cur` and appends the parsed load. Returns 0, or 1
// after the message.
int parse_one_load(curs* cur, const std::string& load_text) {
  std::string text = shown(load_text.c_str());
  const char* lt = text.c_str();
  const char* name = cur->cur_name;
  auto* lp = cursor_arena().make<lp_ptr>();
  const char* p = skip_blanks(load_text.c_str());
  if (starts(p, "AVERAGE ") || starts(p, "average ")) {
    lp->is_average = 1;
    p += 8;
  } else if (starts(p, "SUM ") || starts(p, "sum ")) {
    lp->is_sum = 1;
    p += 4;
  } else if (starts(p, "COUNT ") || starts(p, "count ")) {
    lp->is_count = 1;
    p += 6;
  }

  p = skip_blanks(p);
  const char* source = p;
  while (*p != 0 && *p != ' ' && !starts(p, "->")) ++p;
  std::string source_text(source, p);
  if (source_text.empty()) {
    PRINT('e', "plo3010", "No source column found for load in cursor %s\n", name);
    return 1;
  }
  lp->source_spec = source_text.size() <= 39 ? read_column_spec(source_text) : nullptr;
  if (lp->source_spec == nullptr) {
    PRINT('e', "plo3015", "Bad source column text in %s\n", lt);
    return 1;
  }
  lp->source = find_source(cur, lp->source_spec);
  if (lp->source == nullptr) {
    PRINT('e', "plo3020", "Column %s not found in cursor %s for load %s\n", source_text.c_str(),
          name, lt);
    return 1;
  }

  p = skip_blanks(p);
  if (!starts(p, "->")) {
    PRINT('e', "plo3025", "Bad syntax in load for cursor %s : %s\n", name, lt);
    return 1;
  }
  p = skip_blanks(p + 2);
  const char* target = p;
  while (*p != 0 && *p != ' ' && *p != '.') ++p;
  std::string target_name(target, p);
  if (target_name.empty()) {
    PRINT('e', "plo3030", "Target cursor name not found in cursor %s for load %s\n", name, lt);
    return 1;
  }
  lp->target_cursor = find_cursor(target_name);
  if (lp->target_cursor == nullptr) {
    PRINT('e', "plo3035", "Target cursor (%s) not found for load %s in %s\n", target_name.c_str(),
          lt, name);
    return 1;
  }
  if (!lp->target_cursor->virtual_) {
    PRINT('e', "plo3040", "Target cursor (%s) in %s for %s is not virtual\n", target_name.c_str(),
          name, lt);
    return 1;
  }

  p = skip_blanks(p);
  if (*p != '.') {
    PRINT('e', "plo3045", "Bad target cursor.column syntax in load %s for cursor %s\n", lt, name);
    return 1;
  }
  p = skip_blanks(p + 1);
  size_t n = span_to_blank(p);
  std::string column(p, n);
  p = skip_blanks(p + n);
  if (column.empty()) {
    PRINT('e', "plo3050", "No target column name in cursor %s load %s\n", name, lt);
    return 1;
  }
  if (column.size() <= 49) {
    lp->target_column = column[0] >= '0' && column[0] <= '9'
                            ? column_at(lp->target_cursor, atol(column.c_str()))
                            : column_named(lp->target_cursor, column.c_str());
  }
  if (lp->target_column == nullptr) {
    PRINT('e', "plo3055", "Target column (%s) not found for cursor %s load %s\n", column.c_str(),
          lp->target_cursor->cur_name, lt);
    return 1;
  }

  bool where = keyword_at(p, "where", "WHERE");
  bool from = keyword_at(p, "from", "FROM");
  if ((where || from) && lp->source_spec->col_funct != 0) {
    PRINT('e', "plo3060", "Column function and load_where or load_from are incompatable\n");
    return 1;
  }
  if (from) {
    if (parse_load_from(cur, lp, p, lt) != 0) return 1;
  } else if (where) {
    if (parse_condition(cur, p + 5, &lp->where_ops) != 0) return 1;
    lp->has_where = 1;
    p = "";
  }
  // Anything else after the target would be silently lost.
  if (*p != 0) {
    PRINT('e', "plo3025", "Bad syntax in load for cursor %s : %s\n", name, lt);
    return 1;
  }
  append_chain(cur->parsed_loads, lp);
  return 0;
}

}  // namespace

int add_load_text(curs* cur, const char* rest) {
  auto* rec = cursor_arena().make<load_ptr>();
  rec->text = rest;
  append_chain(cur->loads, rec);
  return 0;
}

int parse_loads() {
  int errors = 0;
  try {
    for (curs* cur = anchors.cur_anchor; cur != nullptr; cur = cur->next) {
      if (cur->loads == nullptr || cur->parsed_loads != nullptr) continue;
      for (const load_ptr* load = cur->loads; load != nullptr; load = load->next) {
        errors |= parse_one_load(cur, load->text);
      }
    }
  } catch (const std::bad_alloc&) {
    PRINT('e', "plo3083", "Insufficient memory\n");
    errors = 1;
  }
  if (errors != 0) {
    PRINT('e', "plo3085", "Load parsing ended with errors.\n");
  } else {
    PRINT('i', "plo3090", "Load parsing ended ok.\n");
  }
  return errors;
}
