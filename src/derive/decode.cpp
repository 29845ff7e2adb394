// Decodes: binding at start-up, matching a field against its operations, and
// applying the replacement or action of the operation that holds.
#include "derive/decode.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/clause_records.h"
#include "ctl/curs.h"
#include "ctl/decode_clause.h"
#include "derive/derived_columns.h"
#include "derive/run_list.h"
#include "rows/database.h"
#include "rows/host_merge.h"
#include "rows/row_chain.h"
#include "util/print.h"
#include "util/value_text.h"

namespace {

constexpr int16_t NUMBER_TYPE = 2;  // data type code of a Number column
constexpr int32_t FIELD_MAX = 256;  // bytes of a field that take part in a test

// Set while a "hold below" is in force, until a "release below".
bool held_below_flag = false;

bool is_number(const columns* col) { return col->orig_type == NUMBER_TYPE; }

bool is_digit(char c) { return static_cast<unsigned>(c - '0') < 10u; }

// The cursor on the chain named exactly `name`, or null.
curs* cursor_named(const char* name) { return find_cursor(name, strlen(name)); }

}  // namespace

// strtod of `s`, with plain decimal texts read directly: a sign, at most 15
// digits with a point among them, then anything but an exponent or a
// hexadecimal 'x'. The integer and the power of ten are exact doubles, so
// their quotient is the correctly rounded value that strtod gives.
double decode_number(const char* s) {
  static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const char* p = s;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  uint64_t mantissa = 0;
  const char* q = p;
  for (; is_digit(*q) && q - p < 16; ++q)
    mantissa = mantissa * 10 + static_cast<unsigned>(*q - '0');
  int digits = static_cast<int>(q - p), scale = 0;
  if (*q == '.') {
    const char* fraction = ++q;
    for (; is_digit(*q) && digits + (q - fraction) < 16; ++q)
      mantissa = mantissa * 10 + static_cast<unsigned>(*q - '0');
    scale = static_cast<int>(q - fraction);
    digits += scale;
  }
  const char next = static_cast<char>(*q | 0x20);
  if (digits == 0 || digits > 15 || is_digit(*q) || next == 'e' || next == 'x')
    return strtod(s, nullptr);
  const double v = static_cast<double>(mantissa) / kPowers[scale];
  return negative ? -v : v;
}

// strtoll of `s` in base 10, with texts of at most 18 digits read directly.
long long decode_integer(const char* s) {
  const char* p = s;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  long long v = 0;
  const char* q = p;
  for (; is_digit(*q) && q - p < 18; ++q) v = v * 10 + (*q - '0');
  if (q == p || is_digit(*q)) return strtoll(s, nullptr, 10);
  return negative ? -v : v;
}

int bind_operand(curs* cur, decode_test& t, const char* id, const char* fmt) {
  t.operand_col = nullptr;
  t.operand_cur = nullptr;
  t.operand_list = nullptr;
  if (t.operand_type == operand_in_list)
    return (t.operand_list = find_in_list(t.operand_column)) ? 0 : 1;
  if (t.operand_type != operand_column) return 0;
  if (find_col(cur, t.operand_column, &t.operand_col, &t.operand_cur) == 0) return 0;
  PRINT('e', id, fmt, t.operand_column, cur->cur_name);
  return 1;
}

int bind_and_parts(curs* cur, part* p, const char* id) {
  int bad = 0;
  for (; p; p = p->next) bad |= bind_operand(cur, *p, id, "'And' column(%s) not in cursor %s\n");
  return bad;
}

namespace {

// ---- matching ----

// The trace words of the test codes.
const char* trace_word(int16_t op) {
  static const char* const words[] = {"",
                                      " Is equal to ",
                                      " Is greater than ",
                                      " Is less than ",
                                      " Is NULL ",
                                      " Is none of the above ",
                                      " Is greater than or equal to ",
                                      " Is less than or equal to ",
                                      " Is not equal to ",
                                      " Contains ",
                                      " In ",
                                      " Anded with "};
  return op > 0 && op <= op_and_bits ? words[op] : "";
}

std::string operand_shown(const decode_test& t) {
  char buf[300];
  if (t.operatr == op_and_bits) {
    snprintf(buf, sizeof buf, "%lld", static_cast<long long>(t.bits));
  } else if (t.operand_type == operand_in_list) {
    snprintf(buf, sizeof buf, " In %s", t.operand_column);
  } else if (t.operand_type == operand_numeric) {
    snprintf(buf, sizeof buf, "%.*s", t.operand_ll, t.operator_ + OPERANDLL - t.operand_ll);
  } else if (t.operand_type == operand_string) {
    snprintf(buf, sizeof buf, "'%.*s'", t.operand_ll, t.operator_);
  } else if (t.operand_type == operand_column) {
    snprintf(buf, sizeof buf, "%s", t.operand_column);
  } else {
    buf[0] = '\0';
  }
  return buf;
}

void trace_decodes(const columns* col, const decode_op* first) {
  PRINT('t', "cde4230", "Decodes for column %s(%d,%d)\n", col->name, col->offset, col->fmt_len);
  for (const decode_op* op = first; op; op = op->next) {
    std::string shown = operand_shown(*op);
    PRINT('t', "cde4235", "if %s %.150s\n", trace_word(op->operatr), shown.c_str());
    for (const part* p = op->and_parts; p; p = p->next) {
      std::string line = trace_word(p->operatr) + operand_shown(*p);
      PRINT('t', "cde4250", " and %.150s\n", line.c_str());
    }
    if (op->replacement_type == replacement_column)
      PRINT('t', "cde4270", " Replace it with  column %s (%d,%d)\n", op->replacement_column,
            op->replacement_col ? op->replacement_col->offset : 0,
            op->replacement_col ? op->replacement_col->fmt_len : 0);
    else if (op->replacement_type == replacement_run)
      PRINT('t', "cde4260", " Replace it with %s\n", op->replacement_column);
    else
      PRINT('t', "cde4260", " Replace it with %.*s\n", op->replacement_ll,
            op->replacement_type == replacement_numeric
                ? op->replacement + OPERANDLL - op->replacement_ll
                : op->replacement);
  }
  PRINT('t', "cde4345", "Decoding for column %s(%d,%d)\n", col->name, col->offset, col->fmt_len);
}

// A field made ready for its tests. Its value as a number is read only when a
// test asks for it.
struct prepared_field {
  bool numeric = false;
  int32_t len = 0;          // compared length
  char buf[FIELD_MAX + 2];  // numeric: zero-filled; text: blank-filled, NUL at FIELD_MAX
  const char* num = buf;    // a number's text after its leading blanks

  double value() const {
    if (!have_value) {
      value_ = decode_number(num);
      have_value = true;
    }
    return value_;
  }
  long long integer() const {
    if (!have_integer) {
      integer_ = decode_integer(num);
      have_integer = true;
    }
    return integer_;
  }

 private:
  mutable bool have_value = false, have_integer = false;
  mutable double value_ = 0.0;
  mutable long long integer_ = 0;
};

// Copies a field's bytes. Kept out of line: inlined with the buffer's known
// bound, the copy becomes a string instruction whose start-up costs more than
// the few bytes a field usually has.
[[gnu::noinline]] void copy_field(char* to, const char* from, int32_t len) {
  memcpy(to, from, static_cast<size_t>(len));
}

// Fills the buffer as far as the field's length; a longer comparison widens it.
void prepare(prepared_field& f, const columns* col, const char* field) {
  f.numeric = is_number(col);
  int32_t len = value_len(field, col->fmt_len);
  if (f.numeric) {
    len = std::min(len, FIELD_MAX + 1);
    f.len = std::min<int32_t>(col->fmt_len, FIELD_MAX + 1);
    copy_field(f.buf, field, len);
    memset(f.buf + len, 0, static_cast<size_t>(std::max(f.len, len) - len + 1));
  } else {
    len = std::min(len, FIELD_MAX);
    f.len = std::min<int32_t>(col->fmt_len, FIELD_MAX);
    copy_field(f.buf, field, len);
    memset(f.buf + len, ' ', static_cast<size_t>(f.len - len));
    f.buf[f.len] = '\0';
  }
  // A number stands right-aligned: pass its blanks eight at a time.
  static constexpr uint64_t kBlanks = 0x2020202020202020ull;
  const char* p = f.buf;
  for (uint64_t word; p + 8 <= f.buf + f.len && (memcpy(&word, p, 8), word == kBlanks);) p += 8;
  while (*p == ' ') ++p;
  f.num = p;
}

// Blank-fills a text field's buffer up to `n` bytes (at most FIELD_MAX).
void widen(prepared_field& f, int32_t n) {
  if (n > f.len) memset(f.buf + f.len, ' ', static_cast<size_t>(n - f.len));
}

int sign_of(double d) { return d < 0 ? -1 : d > 0 ? 1 : 0; }
int sign_of(int c) { return c < 0 ? -1 : c > 0 ? 1 : 0; }

// 0 when `needle` (trailing blanks removed) occurs in `hay`, else 1.
int contains(std::string_view hay, std::string_view needle) {
  // An operand fills its whole blank-padded area: pass the blanks eight at a time.
  static constexpr uint64_t kBlanks = 0x2020202020202020ull;
  for (uint64_t word; needle.size() >= 8 &&
                      (memcpy(&word, needle.data() + needle.size() - 8, 8), word == kBlanks);)
    needle.remove_suffix(8);
  while (!needle.empty() && needle.back() == ' ') needle.remove_suffix(1);
  return hay.find(needle) == std::string_view::npos ? 1 : 0;
}

std::string_view field_text(const prepared_field& f) {
  return f.numeric ? std::string_view(f.num) : std::string_view(f.buf, static_cast<size_t>(f.len));
}

// The field as the in-list texts write it: a text in apostrophes without its
// trailing blanks, a number between single blanks.
std::string in_list_form(const prepared_field& f) {
  if (f.numeric) {
    std::string_view n(f.num);
    return n.empty() ? " 0 " : " " + std::string(n) + " ";
  }
  std::string_view t(f.buf, static_cast<size_t>(f.len));
  while (t.size() > 1 && t.back() == ' ') t.remove_suffix(1);
  return "'" + std::string(t) + "'";
}

bool holds(int16_t op, int r) {
  switch (op) {
    case op_equal:
    case op_search:
    case op_in:
      return r == 0;
    case op_greater:
      return r > 0;
    case op_less:
      return r < 0;
    case op_greater_equal:
      return r >= 0;
    case op_less_equal:
      return r <= 0;
    case op_not_equal:
    case op_and_bits:
      return r != 0;
  }
  return false;
}

// Where the value of column `col` (held by `holder` when qualified) is read
// for the row `row` of `cur`: the row itself, the base row matched for it, or
// the holder's newest row; null when there is no such row. `age_to` is set
// when the holder is `cur`'s age-to cursor before its first copy.
const char* value_place(curs* cur, const char* row, const columns* col, curs* holder,
                        bool* age_to) {
  *age_to = false;
  if (!holder) return row + col->offset;
  if (cur->post_copy && cur->age_to[0] && strcmp(cur->age_to, holder->cur_name) == 0) {
    *age_to = true;
    return nullptr;
  }
  return locate_base(holder, cur, col->offset);
}

enum class outcome { result, abandon };

// The comparison result of test `t` for the field `f`; `abandon` when a
// referenced row is missing (warned). `and_part` selects the and-part messages.
outcome compare(const decode_test& t, prepared_field& f, curs* cur, const char* row, bool and_part,
                int* r) {
  switch (t.operand_type) {
    case operand_column: {
      bool age_to = false;
      const char* place = value_place(cur, row, t.operand_col, t.operand_cur, &age_to);
      if (!place) {
        if (age_to) {
          if (cur->traced) PRINT('t', "cde4360", "Skipping decode - refers to age_to cursor\n");
        } else if (and_part) {
          PRINT('w', "cde4385", "In decode, referenced cursor %s has no rows - skipping decode\n",
                t.operand_cur->cur_name);
        } else {
          PRINT('w', "cde4365", "Decode, referenced cursor %s has no rows - skipping decode\n",
                t.operand_cur->cur_name);
        }
        return outcome::abandon;
      }
      const int32_t len = value_len(place, t.operand_col->fmt_len);
      char value[FIELD_MAX + 2];
      if (f.numeric) {
        memset(value, 0, sizeof value);
        memcpy(value, place, static_cast<size_t>(std::min(len, FIELD_MAX + 1)));
      } else {
        memset(value, ' ', sizeof value);
        value[FIELD_MAX] = '\0';
        memcpy(value, place, static_cast<size_t>(std::min(len, FIELD_MAX)));
      }
      if (cur->traced) {
        if (and_part)
          PRINT('t', "cde4390", "For decode, column %s has value %s\n", t.operand_column, value);
        else
          PRINT('t', "cde4370", "For decode, right column %s has value %s\n", t.operand_column,
                value);
      }
      if (f.numeric) {
        *r = t.operatr == op_search ? contains(f.num, value)
                                    : sign_of(f.value() - strtod(value, nullptr));
      } else {
        const int32_t n = std::max(f.len, std::min<int32_t>(t.operand_col->fmt_len, FIELD_MAX));
        widen(f, n);
        *r = t.operatr == op_search
                 ? contains(field_text(f), std::string_view(value, static_cast<size_t>(n)))
                 : sign_of(memcmp(f.buf, value, static_cast<size_t>(n)));
      }
      return outcome::result;
    }
    case operand_in_list: {
      std::string_view list(t.operand_list->text, static_cast<size_t>(t.operand_list->text_len));
      *r = list.find(in_list_form(f)) == std::string_view::npos ? 1 : 0;
      return outcome::result;
    }
    case operand_numeric:
      *r = t.operatr == op_and_bits ? ((f.integer() & t.bits) != 0 ? 1 : 0)
                                    : sign_of(f.value() - t.op_num);
      return outcome::result;
    default: {
      // A string operand is its written text in a blank-filled area.
      const size_t size = t.operand_type == operand_string ? static_cast<size_t>(t.operand_ll)
                                                           : static_cast<size_t>(OPERANDLL);
      std::string_view operand(t.operator_ ? t.operator_ : "", t.operator_ ? size : 0);
      if (t.operatr == op_search) {
        *r = contains(field_text(f), operand);
      } else {
        const size_t n = static_cast<size_t>(std::min(f.len, FIELD_MAX));
        *r = t.operator_ ? sign_of(memcmp(f.buf, t.operator_, n)) : 1;
      }
      return outcome::result;
    }
  }
}

// Copies `len` bytes of `value` into the field of length `flen`: right-aligned
// (the rightmost characters kept) for a number, else left-aligned.
void store(char* field, int32_t flen, const char* value, int32_t len, bool right) {
  memset(field, ' ', static_cast<size_t>(flen));
  if (right) {
    int32_t n = std::min(len, flen);
    memcpy(field + flen - n, value + len - n, static_cast<size_t>(n));
  } else {
    memcpy(field, value, static_cast<size_t>(std::min(len, flen)));
  }
}

// ---- actions ----

// The cursor before `cur` on the chain, or null.
curs* previous_of(const curs* cur) {
  for (curs* c = anchors.cur_anchor; c; c = c->next)
    if (c->next == cur) return c;
  return nullptr;
}

// Deletes every row of `target` unless `cur` is iterating over them right now;
// then the rows stay, as the iteration still walks them.
void delete_rows(curs* cur, curs* target) {
  if (cur->iterate && strcmp(cur->iterate->name, target->cur_name) == 0) {
    PRINT('w', "cde4468", "Rows of cursor %s kept: cursor %s is iterating over them\n",
          target->cur_name, cur->cur_name);
    return;
  }
  free_all_rows(target);
  target->rows_changed = 1;
}

bool traced(const curs* a, const curs* b) { return a->trace || (b && b->trace); }

// Deletes the rows of `target`, held or released by a decode of `cur` after
// "delete".
void delete_for_decode(curs* cur, curs* target) {
  // The one row of the percent cursor or of a virtual cursor is never deleted:
  // it holds the values that other cursors' columns and the server-status
  // text point into.
  if (target == anchors.percent_cursor || target->virtual_) return;
  if (traced(cur, target))
    PRINT('t', "cde4457", "Deleting all rows for cursor (%s) due to decode in %s\n",
          target->cur_name, cur->cur_name);
  delete_rows(cur, target);
}

void hold_by_decode(curs* cur, curs* target, bool del) {
  if (del) delete_for_decode(cur, target);
  target->hold = 'Y';
  target->held_by_decode = 1;
}

void release_by_decode(curs* cur, curs* target, bool del) {
  if (del) delete_for_decode(cur, target);
  target->held_by_decode = 0;
  if (!target->held_below && !target->held_other) target->hold = 'N';
}

// Marks the session for reconnection: the collection loop ends before its next
// cursor, commits, and the collector starts again. The commit and release wait
// for that: releasing here would end the fetch of the rows still to come.
void reconnect(curs* cur) {
  PRINT('w', "cde4467", "Reconnecting to database because of decode in cursor %s\n", cur->cur_name);
  database_info.session_status = 2;
}

// The option words of an action.
enum option : unsigned {
  opt_below = 1,
  opt_next = 2,
  opt_me = 4,
  opt_previous = 8,
  opt_cursor = 16,
  opt_delete = 32,
  opt_resetdb = 64,
};

unsigned option_of(const std::string& w) {
  static const struct {
    const char* word;
    unsigned bit;
  } words[] = {{"below", opt_below},       {"next", opt_next},     {"me", opt_me},
               {"previous", opt_previous}, {"cursor", opt_cursor}, {"delete", opt_delete},
               {"resetdb", opt_resetdb}};
  for (const auto& o : words)
    if (w == o.word) return o.bit;
  return 0;
}

// A cursor name after "cursor": its first 8 characters, in any case.
curs* cursor_like(const std::string& w) {
  for (curs* c = anchors.cur_anchor; c; c = c->next)
    if (strncasecmp(c->cur_name, w.c_str(), 8) == 0 && (w.size() >= 8 || !c->cur_name[w.size()]))
      return c;
  return nullptr;
}

// A hold or release action: its option words in order ("cursor" makes the
// words after it cursor names). An unknown or repeated hold option is passed
// over; the first such release option ends the action.
void hold_or_release(curs* cur, const std::vector<std::string>& words, bool hold) {
  auto apply = [&](curs* c, bool del) {
    if (hold)
      hold_by_decode(cur, c, del);
    else
      release_by_decode(cur, c, del);
  };
  unsigned seen = 0;
  bool del = false, names = false;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& w = words[i];
    unsigned o = option_of(w);
    if (names && o != opt_below && o != opt_next && o != opt_delete) {
      if (curs* c = cursor_like(w)) {
        if (traced(cur, c))
          PRINT('t', hold ? "cde4457" : "cde4464",
                hold ? "Holding cursor (%s) due to decode in %s\n"
                     : "Releasing cursors (%s) due to decode in %s\n",
                c->cur_name, cur->cur_name);
        apply(c, del);
        continue;
      }
      o = 0;
    }
    if (o == 0 || (seen & o) || (!hold && o == opt_me)) {
      if (!hold) {
        PRINT('w', "dsd0120", "Unknown release option:%s, cursor %s\n", w.c_str(), cur->cur_name);
        return;
      }
      PRINT('w', "dsd0110", "Unknown hold option %d:%s, cursor %s\n", static_cast<int>(i),
            w.c_str(), cur->cur_name);
      continue;
    }
    seen |= o;
    switch (o) {
      case opt_below:
        if (held_below_flag != !hold) return;
        if (hold)
          PRINT('w', "cde4455", "Holding cursors below %s due to decode\n", cur->cur_name);
        else
          PRINT('w', "cde4460", "Releasing cursors below %s due to decode\n", cur->cur_name);
        for (curs* c = cur->next; c; c = c->next) {
          if (del) delete_for_decode(cur, c);
          c->held_below = hold;
          if (hold)
            c->hold = 'Y';
          else if (!c->held_by_decode && !c->held_other)
            c->hold = 'N';
        }
        held_below_flag = hold;
        break;
      case opt_next:
        if (curs* c = cur->next) {
          if (traced(cur, c))
            PRINT('t', hold ? "cde4456" : "cde4463",
                  hold ? "Holding next cursor (%s) due to decode in %s\n"
                       : "Releasing next cursor (%s) due to decode in %s\n",
                  c->cur_name, cur->cur_name);
          apply(c, del);
        }
        break;
      case opt_me:
        if (cur->trace)
          PRINT('t', "cde4458", "Holding this cursor (%s) due to decode\n", cur->cur_name);
        apply(cur, del);
        break;
      case opt_previous:
        if (curs* c = previous_of(cur)) {
          if (traced(cur, c))
            PRINT('t', hold ? "cde4459" : "cde4465",
                  hold ? "Holding previous cursor (%s) due to decode in %s\n"
                       : "Releasing previous cursors (%s) due to decode in %s\n",
                  c->cur_name, cur->cur_name);
          apply(c, del);
        }
        break;
      case opt_cursor:
        names = true;
        break;
      case opt_delete:
        del = true;
        break;
      case opt_resetdb:
        reconnect(cur);
        break;
    }
  }
}

}  // namespace

int edit_decode() {
  int bad = 0;
  for (curs* cur = anchors.cur_anchor; cur; cur = cur->next) {
    for (decode* d = cur->decodes; d; d = d->next) {
      d->col = nullptr;
      for (columns* c = cur->column_list; c; c = c->next)
        if (memcmp(c->name, d->column, sizeof c->name) == 0) d->col = c;
      if (!d->col) {
        PRINT('e', "pde3900", "Decode Column (%s) not found in cursor %s\n", d->column,
              cur->cur_name);
        bad = 1;
      }
      for (decode_op* op = d->ops; op; op = op->next) {
        bad |= bind_operand(cur, *op, "pde3880", "Operand column(%s) not in cursor %s\n");
        op->replacement_col = nullptr;
        op->replacement_cur = nullptr;
        op->run_cur = nullptr;
        if (op->replacement_type == replacement_column &&
            find_col(cur, op->replacement_column, &op->replacement_col, &op->replacement_cur) !=
                0) {
          PRINT('e', "pde3885", "Replacement column(%s) not in cursor %s\n", op->replacement_column,
                cur->cur_name);
          bad = 1;
        }
        if (op->replacement_type == replacement_run &&
            !(op->run_cur = cursor_named(op->replacement_column))) {
          PRINT('e', "pde3890", "Cursor to run (%s) not found %s\n", op->replacement_column,
                cur->cur_name);
          bad = 1;
        }
        bad |= bind_and_parts(cur, op->and_parts, "pde3895");
      }
    }
  }
  if (bad) {
    PRINT('e', "pde3905", "Decode edits failed\n");
    return 1;
  }
  PRINT('i', "pde3910", "Decode edits successful\n");
  return 0;
}

int edit_iterate_where() {
  int bad = 0;
  for (curs* cur = anchors.cur_anchor; cur; cur = cur->next) {
    if (!cur->iterate_where || !cur->iterate) continue;
    curs* src = cursor_named(cur->iterate->name);
    for (decode* d = cur->iterate_where->where_ops; d; d = d->next) {
      // SOURCE.COLUMN names the iterated cursor's column as well.
      const char* name = d->column;
      const char* dot = strchr(d->column, '.');
      if (dot && dot - d->column < 21 &&
          strncmp(d->column, cur->iterate->name, static_cast<size_t>(dot - d->column)) == 0 &&
          cur->iterate->name[dot - d->column] == '\0')
        name = dot + 1;
      d->col = nullptr;
      if (src)
        for (columns* c = src->column_list; c; c = c->next)
          if (strncmp(c->name, name, sizeof c->name) == 0) d->col = c;
      if (!d->col) {
        PRINT('e', "pit4485", "ITERATE_WHERE Column (%s) not found in cursor %s\n", d->column,
              cur->iterate->name);
        bad = 1;
      }
      for (decode_op* op = d->ops; op; op = op->next) {
        bad |= bind_operand(src ? src : cur, *op, "pit4480", "'And' column(%s) not in cursor %s\n");
        bad |= bind_and_parts(src ? src : cur, op->and_parts, "pit4480");
      }
    }
  }
  if (bad) {
    PRINT('e', "pit4490", "ITERATE_WHERE edits failed\n");
    return 1;
  }
  PRINT('i', "pit4495", "ITERATE_WHERE edits successful\n");
  return 0;
}

const decode_op* eval_decode(const columns* col, const char* field, const char* row,
                             int16_t null_ind, curs* cur, const decode_op* first) {
  if (cur->traced) trace_decodes(col, first);
  if (null_ind < 0) {
    for (const decode_op* op = first; op; op = op->next)
      if (op->operatr == op_null) {
        if (cur->traced) PRINT('t', "cde4350", "Replacing %s with NULL option\n", col->name);
        return op;
      }
  }
  prepared_field f;
  prepare(f, col, field);
  const decode_op* fallback = nullptr;
  int loop = 0;
  for (const decode_op* op = first; op; op = op->next) {
    if (cur->traced) PRINT('t', "cde4355", " Decode loop:%d\n", ++loop);
    if (op->operatr == op_default) {
      fallback = op;
      continue;
    }
    if (op->operatr == op_null) continue;
    int r = 0;
    if (compare(*op, f, cur, row, false, &r) == outcome::abandon) return nullptr;
    if (!holds(op->operatr, r)) continue;
    bool all = true;
    for (const part* p = op->and_parts; p && all; p = p->next) {
      if (compare(*p, f, cur, row, true, &r) == outcome::abandon) return nullptr;
      all = holds(p->operatr, r);
    }
    if (all) return op;
  }
  return fallback;
}

int do_decode(const decode* d, char* field, char* row, int16_t null_ind, curs* cur) {
  const columns* col = d->col;
  const decode_op* op = eval_decode(col, field, row, null_ind, cur, d->ops);
  if (!op) {
    if (cur->traced)
      PRINT('t', "cde4405", "Am not replacing %.*s for column %s\n", value_len(field, col->fmt_len),
            field, col->name);
    return 0;
  }
  const int32_t flen = col->fmt_len;
  switch (op->replacement_type) {
    case replacement_run:
      if (cur->traced) PRINT('t', "cde4410", "Scheduling cursor %s\n", op->replacement_column);
      const_cast<decode_op*>(op)->curslist = cur->rows_this_run;
      if (op->run_cur) queue_run(cur, op->run_cur, cur->rows_this_run);
      return 0;
    case replacement_column: {
      bool age_to = false;
      const char* place = value_place(cur, row, op->replacement_col, op->replacement_cur, &age_to);
      if (!place) {
        PRINT('w', "cde4420", "In decode, referenced cursor %s has no rows - skipping decode\n",
              op->replacement_cur->cur_name);
        return 1;
      }
      const int32_t vlen = op->replacement_col->fmt_len;
      std::string value(place, static_cast<size_t>(value_len(place, vlen)));
      if (cur->traced)
        PRINT('t', "cde4415", "Replacing %.*s with %s\n", value_len(field, flen), field,
              value.c_str());
      if (vlen == flen)
        memmove(field, place, static_cast<size_t>(flen));
      else
        store(field, flen, value.data(), static_cast<int32_t>(value.size()), is_number(col));
      return 0;
    }
    default: {
      const bool number = op->replacement_type == replacement_numeric;
      const char* text =
          number ? op->replacement + OPERANDLL - op->replacement_ll : op->replacement;
      if (cur->traced)
        PRINT('t', "cde4450", "Replacing %.*s with %.*s\n", value_len(field, flen), field,
              op->replacement_ll, text);
      if (!number && special_decode(cur, op->replacement, flen)) return 0;
      store(field, flen, text, op->replacement_ll, number);
      return 0;
    }
  }
}

int special_decode(curs* cur, const char* text, int32_t len) {
  if (len < 8) return 0;
  // The replacement area is OPERANDLL bytes long: the words end there.
  const size_t n = static_cast<size_t>(std::min(len + 1, OPERANDLL));
  // Most replacements are plain texts: look at the first word before splitting.
  size_t at = 0;
  while (at < n && (text[at] == ' ' || text[at] == ',')) ++at;
  const size_t rest = n - at;
  const char first = static_cast<char>(at < n ? text[at] | 0x20 : 0);
  if (first != 'h' && first != 'r') return 0;
  if (!(rest > 4 && strncasecmp(text + at, "hold", 4) == 0) &&
      !(rest > 7 && strncasecmp(text + at, "release", 7) == 0))
    return 0;
  std::vector<std::string> words;
  std::string word;
  for (size_t i = 0; i <= n; ++i) {
    const char c = i < n ? text[i] : ' ';
    if (c == ' ' || c == ',' || c == '\0') {
      if (!word.empty()) words.push_back(word);
      word.clear();
      if (c == '\0') break;
    } else {
      word += static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
  }
  if (words.size() < 2 || (words[0] != "hold" && words[0] != "release")) return 0;
  hold_or_release(cur, words, words[0] == "hold");
  return 1;
}

text_row* get_max_occurance(curs* cur, const columns* col) {
  struct tally {
    text_row* first;
    int32_t count;
    const char* value;
  };
  auto* table = new (std::nothrow) tally[static_cast<size_t>(cur->row_count) + 1];
  if (!table) return nullptr;
  const size_t len = static_cast<size_t>(col->fmt_len);
  int32_t used = 0;
  for (text_row* r = cur->first_row; r && used <= cur->row_count; r = r->next) {
    // A cursor that keeps samples counts the rows of its newest sample only.
    if (cur->samples > 0 && r->sample_no != static_cast<int16_t>(cur->sample_no)) continue;
    const char* v = r->text() + col->offset;
    int32_t i = 0;
    while (i < used && memcmp(table[i].value, v, len) != 0) ++i;
    if (i == used) table[used++] = {r, 0, v};
    ++table[i].count;
  }
  text_row* best = nullptr;
  int32_t most = 0;
  for (int32_t i = 0; i < used; ++i)
    if (table[i].count > most) {
      most = table[i].count;
      best = table[i].first;
    }
  delete[] table;
  return best;
}

void apply_decodes(curs* cur, char* row) {
  // Column by column, whatever the order of the statements: a decode that
  // reads another decoded column of the row sees it decoded when it stands
  // before its own column.
  for (const columns* col = cur->column_list; col; col = col->next)
    for (const decode* d = cur->decodes; d; d = d->next)
      if (d->col == col) {
        const int16_t ind = col->indicator ? *col->indicator : 0;
        do_decode(d, row + col->offset, row, ind, cur);
        break;
      }
}

bool iterate_where_holds(curs* cur, const text_row* row) {
  for (const decode* d = cur->iterate_where->where_ops; d; d = d->next) {
    if (!d->col) return false;
    const char* text = row->text();
    if (!eval_decode(d->col, text + d->col->offset, text, 0, cur, d->ops)) return false;
  }
  return true;
}

void reset_decode_state() { held_below_flag = false; }
