// Parsers of the small cursor clauses: pre_cursor, iterate, in_list, base,
// set_len and iterate_where. Each checks its statement, refuses names that do
// not fit their record and appends the record at the end of its chain.
#include <cstring>
#include <string>

#include "ctl/arena.h"
#include "ctl/clause_records.h"
#include "ctl/clause_words.h"
#include "ctl/clauses.h"
#include "ctl/curs.h"
#include "ctl/decode_clause.h"
#include "util/print.h"

const char default_in_list[] = "( 'ZIP' )";

namespace {

// Reads the single name of a pre_cursor or iterate statement into `dst`: the
// text up to the first blank, which must fit and must be all there is.
bool single_name(char* dst, size_t cap, char* rest) {
  size_t n = span_to_blank(rest);
  if (n == 0 || *skip_blanks(rest + n) != 0) return false;
  return copy_name(dst, cap, rest, n);
}

// Reads "NAME WORD" at `p`: the name up to the first blank into `dst`, then
// the keyword `word`, which must end at a blank or the statement's end. On
// success `p` stands after the keyword and its blanks.
bool name_then_word(char*& p, char* dst, size_t cap, const char* word) {
  size_t n = span_to_blank(p);
  if (n == 0 || !copy_name(dst, cap, p, n)) return false;
  char* at = skip_blanks(p + n);
  size_t len = strlen(word);
  if (strncmp(at, word, len) != 0 || (at[len] != ' ' && at[len] != 0)) return false;
  p = skip_blanks(at + len);
  return true;
}

}  // namespace

int parse_pre_cursor(curs* cur, char* rest) {
  auto* rec = cursor_arena().make<pre_cursor>();
  if (!single_name(rec->name, sizeof rec->name, rest)) {
    PRINT('e', "ppr3110", "Invalid pre_cursor format: %s\n", shown(rest).c_str());
    return 1;
  }
  append_chain(cur->pre_cursors, rec);
  return 0;
}

int parse_iterate(curs* cur, char* rest) {
  if (cur->iterate != nullptr) {
    PRINT('e', "pit3125", "Can only have one iterate on a cursor\n");
    return 1;
  }
  auto* rec = cursor_arena().make<struct iterate>();
  if (!single_name(rec->name, sizeof rec->name, rest)) {
    PRINT('e', "pit3126", "Invalid iterate format: %s\n", shown(rest).c_str());
    return 1;
  }
  cur->iterate = rec;
  return 0;
}

int parse_in_list(curs* cur, char* rest) {
  auto* rec = cursor_arena().make<in_list>();
  char* p = rest;
  size_t n = 0;
  bool ok = name_then_word(p, rec->name, sizeof rec->name, "using");
  if (ok) {
    n = span_to_blank(p);
    ok = n > 0 && copy_name(rec->column, sizeof rec->column, p, n) && *skip_blanks(p + n) == 0;
  }
  if (!ok) {
    PRINT('e', "pin3260", "Invalid in_list format: %s\n", shown(rest).c_str());
    return 1;
  }
  rec->column_len = static_cast<int16_t>(n);
  rec->text = default_in_list;
  rec->text_len = default_in_list_len;
  append_chain(cur->in_lists, rec);
  return 0;
}

int parse_base(curs* cur, char* rest) {
  auto* rec = cursor_arena().make<base>();
  char* p = rest;
  size_t n = 0;
  bool ok = name_then_word(p, rec->base_cursor, sizeof rec->base_cursor, "on");
  if (ok) {
    // The on-column may run straight into the arrow: "on a->b".
    n = strcspn(p, " -");
    ok = n > 0 && copy_name(rec->on_column, sizeof rec->on_column, p, n);
    rec->on_len = static_cast<int16_t>(n);
  }
  if (!ok) {
    PRINT('e', "pba3285", "Invalid base format: %s\n", shown(rest).c_str());
    return 1;
  }
  p = skip_blanks(p + n);
  ok = strncmp(p, "->", 2) == 0;
  if (ok) {
    p = skip_blanks(p + 2);
    n = span_to_blank(p);
    ok =
        n > 0 && copy_name(rec->to_column, sizeof rec->to_column, p, n) && *skip_blanks(p + n) == 0;
    rec->to_len = static_cast<int16_t>(n);
  }
  if (!ok) {
    PRINT('e', "pba3290", "Invalid base format: %s\n", shown(rest).c_str());
    return 1;
  }
  append_chain(cur->bases, rec);
  return 0;
}

int parse_set_len(curs* cur, char* rest) {
  std::string text = shown(rest);
  clause_words words(rest, rest + strlen(rest));
  clause_word column;
  if (words.next(column) != 1 || !column.is_name()) {
    PRINT('e', "pcl4540", "Invalid set_len syntax\n");
    return 1;
  }
  if (column.len >= 50) {
    PRINT('e', "pcl4545", "Excessive text in set_len : %s\n", column.text().c_str());
    return 1;
  }
  if (memchr(column.str, '.', column.len) != nullptr) {
    PRINT('e', "pcl4550", "Can't use qualified name in set_len (%s)\n", column.text().c_str());
    return 1;
  }
  clause_word length;
  if (words.next(length) != 1) {
    PRINT('e', "pcl4555", "Missing numeric length value in set_len (%s)\n", text.c_str());
    return 1;
  }
  // A length below 1 cannot size a buffer; it is refused like a non-number.
  long long value = length.numeric() ? length.integer() : 0;
  if (value < 1) {
    PRINT('e', "pcl4560", "Missing numeric length value in set_len (%s)\n", text.c_str());
    return 1;
  }
  if (value > 2048) {
    PRINT('e', "pcl4565", "Cannot set length greator than %d in %s\n", 2048, text.c_str());
    return 1;
  }
  clause_word extra;
  if (words.next(extra) != 0) {
    PRINT('e', "pcl4540", "Invalid set_len syntax\n");
    return 1;
  }
  auto* rec = cursor_arena().make<set_len>();
  copy_name(rec->column, sizeof rec->column, column.str, column.len);
  rec->length = static_cast<int16_t>(value);
  append_chain(cur->set_lens, rec);
  return 0;
}

int parse_iterate_where(curs* cur, char* rest) {
  if (cur->iterate_where != nullptr) {
    PRINT('e', "pit4475", "Only one ITERATE_WHERE allowed per cursor\n");
    return 1;
  }
  decode* chain = nullptr;
  if (parse_condition(cur, rest, &chain) != 0) return 1;
  auto* rec = cursor_arena().make<i_ptr>();
  rec->where_ops = chain;
  cur->iterate_where = rec;
  return 0;
}
