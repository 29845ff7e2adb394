// Math columns: binding the names of the definitions at start-up, and the
// per-row evaluation with its two passes (* and / before + and -), high and
// low marks, rounding and the right-aligned answer text.
#include "derive/math.h"

#include <array>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "ctl/anchors.h"
#include "ctl/curs.h"
#include "ctl/math_clause.h"
#include "derive/column_refs.h"
#include "derive/derived_columns.h"
#include "rows/row_format.h"
#include "util/print.h"

namespace {

constexpr int16_t kNumber = 2;
constexpr int16_t kDefaultMathLength = 21;
constexpr int32_t kMaxSourceField = 2048;
constexpr int16_t kConsumed = 0;

// Binds the name word `w` of a definition of `cur`. Returns 1 after an error.
int bind_name(curs* cur, math_in* w) {
  if (columns* col = own_column(cur, w->text)) {
    w->ref_column = col;
    return 0;
  }
  const char* dot = strchr(w->text, '.');
  if (!dot) {
    PRINT('e', "pma3475", "In math, variable (%s) not matched\n", w->text);
    return 1;
  }
  size_t len = static_cast<size_t>(dot - w->text);
  curs* other = cursor_named(w->text, len);
  if (!other) {
    PRINT('e', "pma3490", "Cursor (%.*s) not found in text '%s'\n", static_cast<int>(len), w->text,
          w->text);
    return 1;
  }
  int errors = 0;
  if (other == age_to_cursor(cur))
    PRINT('i', "pma3480", "Note -- referencing age_to cursor in (%s) for math (%s)\n",
          cur->cur_name, w->text);
  if (other == cur) {
    PRINT('e', "pma3495", "Qualified reference to own table in math, text = %s\n", w->text);
    errors = 1;
  }
  char name[sizeof w->text] = {};
  strncpy(name, dot + 1, sizeof name - 1);
  curs* holder = nullptr;
  columns* col = column_in_versions(other, name, &holder);
  if (!col) {
    PRINT('e', "pma3500", "Column (%s) not found in %s\n", name, w->text);
    return 1;
  }
  w->ref_column = col;
  w->ref_cursor = holder;
  return errors;
}

m_anch* definition_named(const curs* cur, const char* name) {
  for (m_anch* m = cur->math; m; m = m->next)
    if (strncmp(m->name, name, sizeof m->name) == 0) return m;
  return nullptr;
}

// Lays out the evaluation of `def` as do_arith performs it: the parenthesised
// groups innermost and last first, in each a pass for * and / then one for +
// and -, left to right, each result kept in its left operand's cell (in the
// right operand's when an operator leads).
void make_plan(m_anch* def) {
  math_plan& plan = def->plan;
  const int count = static_cast<int>(def->math.size());
  std::vector<int16_t> kinds(static_cast<size_t>(count), kConsumed);
  plan.constants.clear();
  plan.work.assign(static_cast<size_t>(count), 0.0);
  plan.names.clear();
  plan.name_cells.clear();
  plan.steps.clear();
  int n = 0;
  for (const math_in* w = def->words; w && n < count; w = w->next, ++n) {
    if (w->word_type == math_name) {
      plan.names.push_back(w);
      plan.name_cells.push_back(static_cast<int16_t>(n));
      kinds[static_cast<size_t>(n)] = math_constant;
      continue;
    }
    kinds[static_cast<size_t>(n)] = w->word_type;
    if (w->word_type == math_constant) plan.constants.emplace_back(n, w->value);
  }
  auto pass = [&](int from, int to, int16_t a, int16_t b) {
    int left = -1;
    int16_t op = kConsumed;
    for (int i = from; i < to; ++i) {
      int16_t& k = kinds[static_cast<size_t>(i)];
      if (k == math_constant) {
        if (op == kConsumed) {
          left = i;
          continue;
        }
        const auto cell = static_cast<int16_t>(i);
        if (left < 0) {
          plan.steps.push_back({cell, -1, cell, op});
          left = i;
        } else {
          plan.steps.push_back({static_cast<int16_t>(left), static_cast<int16_t>(left), cell, op});
          k = kConsumed;
        }
        op = kConsumed;
      } else if (k == a || k == b) {
        op = k;
        k = kConsumed;
      }
    }
  };
  for (int p = def->paren_count; p >= 0; --p) {
    int from = 0, to = count;
    if (p > 0) {
      for (int i = count - 1; i >= 0; --i)
        if (kinds[static_cast<size_t>(i)] == math_left_paren) {
          from = i;
          break;
        }
      kinds[static_cast<size_t>(from)] = kConsumed;
      for (int i = from + 1; i < count; ++i)
        if (kinds[static_cast<size_t>(i)] == math_right_paren) {
          to = i;
          kinds[static_cast<size_t>(i)] = kConsumed;
          break;
        }
    }
    pass(from, to, math_multiply, math_divide);
    pass(from, to, math_add, math_subtract);
  }
  plan.answer = -1;
  for (int i = 0; i < count && plan.answer < 0; ++i)
    if (kinds[static_cast<size_t>(i)] == math_constant) plan.answer = static_cast<int16_t>(i);
  plan.ready = true;
}

// Runs the plan over the values in its work cells: the answer, or 0.0 after a
// division by zero or when no answer is left.
double run_plan(const math_plan& plan, curs* cur, double* cell) {
  for (const math_plan::step& s : plan.steps) {
    const double left = s.left < 0 ? 0.0 : cell[s.left];
    const double right = cell[s.right];
    switch (s.op) {
      case math_multiply:
        cell[s.into] = left * right;
        break;
      case math_divide:
        if (right == 0.0) return 0.0;
        cell[s.into] = left / right;
        break;
      case math_add:
        cell[s.into] = left + right;
        break;
      default:
        cell[s.into] = left - right;
    }
  }
  if (plan.answer >= 0) return cell[plan.answer];
  PRINT('e', "cma3670", "Math execution error (%s)\n", cur->cur_name);
  return 0.0;
}

int edit_cursor(curs* cur) {
  int errors = 0;
  for (m_anch* m = cur->math; m; m = m->next)
    for (math_in* w = m->words; w; w = w->next)
      if (w->word_type == math_name && !w->ref_column) errors |= bind_name(cur, w);
  for (m_anch* m = cur->math; m; m = m->next) make_plan(m);

  set_col_ordinals(cur);
  for (columns* col = cur->column_list; col; col = col->next) {
    m_anch* m = definition_named(cur, col->name);
    if (!m) continue;
    // A repeated edit keeps the width the rows were laid out with.
    if (col->math != m) col->fmt_len = col->set_length ? col->set_length : kDefaultMathLength;
    col->math = m;
    col->orig_type = kNumber;
    col->data_type = 1;
  }
  for (columns* col = cur->column_list; col; col = col->next) {
    if (!col->math) continue;
    for (const math_in* w = col->math->words; w; w = w->next) {
      const columns* ref = w->ref_column;
      if (w->word_type != math_name || !ref || w->ref_cursor || !ref->math) continue;
      if (col->col_ordinal <= ref->col_ordinal) {
        PRINT('e', "pma3510", "Math expression for col %s uses later math column %s\n", col->name,
              ref->name);
        errors = 1;
      }
    }
  }
  return errors;
}

// Reads a decimal number at the start of the `len` bytes at `field` as the
// row's texts write them: leading blanks, an optional sign, digits with a
// point, an exponent. Anything else, the NUL that ends a value included, ends
// the number; no number at all reads as 0.0.
double decimal_value(const char* field, size_t len) {
  const char* p = field;
  const char* end = field + len;
  // Numbers stand right-aligned in wide fields: pass the blanks eight at a time,
  // then the rest of them in the next eight bytes at once.
  static constexpr uint64_t kBlanks = 0x2020202020202020ull;
  uint64_t word = 0;
  for (; end - p >= 8 && (memcpy(&word, p, 8), word == kBlanks);) p += 8;
  if (std::endian::native == std::endian::little && end - p >= 8)
    p += std::countr_zero(word ^ kBlanks) / 8;  // the first byte is the lowest
  else
    while (p < end && *p == ' ') ++p;
  bool plus = p < end && *p == '+';
  if (plus) ++p;
  const char* start = p;
  bool negative = !plus && p < end && *p == '-';
  if (negative) ++p;
  // Up to 15 digits with at most 22 after the point and no exponent are read
  // exactly: the integer and the power of ten are both exact doubles, so their
  // quotient is the correctly rounded value, as strtod gives.
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const char* q = p;
  uint64_t mantissa = 0;  // wraps harmlessly past 19 digits, which are not used
  auto digit = [](char c) { return static_cast<unsigned>(c - '0') < 10u; };
  for (; q < end && digit(*q); ++q) mantissa = mantissa * 10 + static_cast<unsigned>(*q - '0');
  int digits = static_cast<int>(q - p), scale = -1;
  if (q < end && *q == '.') {
    const char* fraction = ++q;
    for (; q < end && digit(*q); ++q) mantissa = mantissa * 10 + static_cast<unsigned>(*q - '0');
    scale = static_cast<int>(q - fraction);
    digits += scale;
  }
  if (digits == 0) return 0.0;
  bool exponent = q < end && (*q == 'e' || *q == 'E');
  if (digits <= 15 && scale <= 22 && !exponent) {
    double v = static_cast<double>(mantissa) / kPowers[scale < 0 ? 0 : scale];
    return negative ? -v : v;
  }
  // from_chars reads what strtod reads from a decimal text, without its
  // locale and its hexadecimal, infinity and NaN forms.
  double value = 0.0;
  std::from_chars(start, end, value, std::chars_format::general);
  return value;
}

void show_cells(const char* id, const char* format, const math_cell* cells, int from, int to) {
  std::string shown;
  char value[400];
  for (int i = from; i < to; ++i) {
    switch (cells[i].kind) {
      case math_left_paren:
        shown += " (";
        break;
      case math_right_paren:
        shown += " )";
        break;
      case math_add:
        shown += " +";
        break;
      case math_subtract:
        shown += " -";
        break;
      case math_multiply:
        shown += " *";
        break;
      case math_divide:
        shown += " /";
        break;
      case math_constant:
        snprintf(value, sizeof value, " %f", cells[i].value);
        shown += value;
        break;
      default:
        shown += " nil";
    }
  }
  PRINT('t', id, format, shown.c_str());
}

void show_prepared(const math_cell* cells, int count) {
  std::string shown;
  char value[400];
  for (int i = 0; i < count; ++i) {
    switch (cells[i].kind) {
      case math_left_paren:
        shown += " (";
        break;
      case math_right_paren:
        shown += ") ";
        break;
      case math_add:
        shown += " + ";
        break;
      case math_subtract:
        shown += " - ";
        break;
      case math_multiply:
        shown += " * ";
        break;
      case math_divide:
        shown += " / ";
        break;
      case math_constant:
        snprintf(value, sizeof value, " %f ", cells[i].value);
        shown += value;
        break;
      default:
        snprintf(value, sizeof value, " ?%d-%f? ", cells[i].kind, cells[i].value);
        shown += value;
    }
  }
  PRINT('t', "cma3565", "Math: %.150s\n", shown.c_str());
}

// One pass over the cells [from, to) for the operators `a` and `b`. Returns
// false when a division by zero ends the evaluation.
bool apply_pass(m_anch* def, curs* cur, math_cell* cells, int from, int to, int16_t a, int16_t b) {
  math_cell* left = nullptr;
  math_cell scratch;  // stands in for a missing left operand (an expression led by an operator)
  int16_t op = kConsumed;
  for (int i = from; i < to; ++i) {
    math_cell& c = cells[i];
    if (c.kind == math_constant) {
      if (op == kConsumed) {
        left = &c;
        continue;
      }
      math_cell* l = left;
      if (!l) {
        scratch = {0.0, math_constant};
        l = &scratch;
      }
      double before = l->value;
      switch (op) {
        case math_multiply:
          l->value = before * c.value;
          if (cur->trace) PRINT('t', "cma3645", "%f * %f = %f\n", before, c.value, l->value);
          break;
        case math_divide:
          if (c.value == 0.0) {
            if (cur->trace)
              PRINT('t', "cma3650", "Attempted divide by zero - forcing answer of 0 in %s\n",
                    def->name);
            return false;
          }
          l->value = before / c.value;
          if (cur->trace) PRINT('t', "cma3655", "%f / %f = %f\n", before, c.value, l->value);
          break;
        case math_add:
          l->value = before + c.value;
          if (cur->trace) PRINT('t', "cma3660", "%f + %f = %f\n", before, c.value, l->value);
          break;
        default:
          l->value = before - c.value;
          if (cur->trace) PRINT('t', "cma3665", "%f - %f = %f\n", before, c.value, l->value);
      }
      if (l == &scratch) {  // the result takes the right operand's place
        c.value = scratch.value;
        left = &c;
      } else {
        c.kind = kConsumed;
      }
      op = kConsumed;
    } else if (c.kind == a || c.kind == b) {
      op = c.kind;
      c.kind = kConsumed;
    }
  }
  return true;
}

// Writes `answer` into the column's area of `text`, right-aligned, keeping
// `decimal` digits after the point.
void store_answer(curs* cur, columns* col, const m_anch* def, double answer, char* text) {
  char out[400];
  char* end = fixed6(out, sizeof out - 1, answer);
  *end = '\0';
  // Six digits follow the point; only a text without one is searched.
  char* point = end - out > 7 && end[-7] == '.'
                    ? end - 7
                    : static_cast<char*>(memchr(out, '.', static_cast<size_t>(end - out)));
  if (point) {
    size_t keep = def->decimal > 0 ? static_cast<size_t>(def->decimal) + 1 : 0;
    if (static_cast<size_t>(end - point) > keep) end = point + keep;
    *end = '\0';
  }
  if (end == out) *end++ = '0';
  size_t len = static_cast<size_t>(end - out);
  size_t width = static_cast<size_t>(col->fmt_len);
  char* place = text + col->offset;
  if (len > width) {
    PRINT('w', "cma3580", "Glopping off answer for %s in %s Source= %s, target= %d bytes\n",
          col->name, cur->cur_name, out, col->fmt_len);
    memcpy(place, out + (len - width), width);
  } else {
    memset(place, ' ', width - len);
    memcpy(place + (width - len), out, len);
  }
  if (cur->trace)
    PRINT('t', "cma3590", "ans= %f , len= %d, len2= %d, offset= %d, row= %d\n", answer,
          col->fmt_len, static_cast<int>(len), static_cast<int>(col->offset), cur->row_count);
}

// Reads the value of the name word `w` for the row `text` of `cur` into
// `*value`. False when the answer is settled without it (and then stored).
bool read_name(curs* cur, columns* col, m_anch* def, const math_in* w, char* text, double* value) {
  const columns* ref = w->ref_column;
  const char* field = text + ref->offset;
  if (w->ref_cursor) {
    if (cur->post_copy && w->ref_cursor == age_to_cursor(cur)) {
      store_answer(cur, col, def, def->initial, text);
      return false;
    }
    field = other_cursor_field(cur, w->ref_cursor, ref);
    if (!field) {
      if (!is_age_to_copy(w->ref_cursor))
        PRINT('w', "cma3530",
              "Math statement %s for cursor %s references %s which has no rows, setting "
              "answer to 0\n",
              def->name, cur->cur_name, w->ref_cursor->cur_name);
      store_answer(cur, col, def, 0.0, text);
      return false;
    }
  }
  if (cur->trace)
    PRINT('t', "cma3540", "Math: name = %s %.*s Len= %d, offset= %d\n", ref->name,
          static_cast<int>(ref->fmt_len), field, ref->fmt_len, static_cast<int>(ref->offset));
  if (ref->fmt_len > kMaxSourceField) {
    PRINT('e', "cma3560", "Excessive size for math sending field %s\n", w->text);
    char* place = text + col->offset;
    memset(place, ' ', static_cast<size_t>(col->fmt_len));
    if (col->fmt_len > 0) place[col->fmt_len - 1] = '0';
    return false;
  }
  size_t len = ref->fmt_len > 0 ? static_cast<size_t>(ref->fmt_len) : 0;
  *value = decimal_value(field, len);
  return true;
}

}  // namespace

int edit_math() {
  int errors = 0;
  for (curs* cur = anchors.cur_anchor; cur; cur = cur->next)
    if (cur->math) errors |= edit_cursor(cur);
  if (errors) {
    PRINT('e', "pma3515", "Math editing failed\n");
    return 1;
  }
  PRINT('i', "pma3520", "Math editing successful\n");
  return 0;
}

int do_math(curs* cur, columns* col, char* text) {
  m_anch* def = col->math;
  double answer = 0.0;
  if (!cur->trace) {
    // The plain path: the plan laid out at the edit.
    math_plan& plan = def->plan;
    if (!plan.ready) make_plan(def);
    double* cell = plan.work.data();
    for (const auto& [at, value] : plan.constants) cell[at] = value;
    for (size_t i = 0; i < plan.names.size(); ++i) {
      const math_in* w = plan.names[i];
      const columns* ref = w->ref_column;
      double& value = cell[plan.name_cells[i]];
      if (!w->ref_cursor && ref->fmt_len > 0 && ref->fmt_len <= kMaxSourceField)
        value = decimal_value(text + ref->offset, static_cast<size_t>(ref->fmt_len));
      else if (!read_name(cur, col, def, w, text, &value))
        return 0;
    }
    answer = run_plan(plan, cur, cell);
  } else {
    // Traced: every word and every operation is shown as it is evaluated.
    PRINT('t', "cma3525", "Doing math for %s.%s\n", cur->cur_name, def->name);
    math_cell* cells = def->math.data();
    const int count = static_cast<int>(def->math.size());
    int n = 0;
    for (const math_in* w = def->words; w && n < count; w = w->next, ++n) {
      if (w->word_type != math_name) {
        cells[n] = {w->word_type == math_constant ? w->value : 0.0, w->word_type};
        continue;
      }
      if (!read_name(cur, col, def, w, text, &cells[n].value)) return 0;
      cells[n].kind = math_constant;
    }
    show_prepared(cells, count);
    answer = do_arith(def, cur);
  }
  if (def->high_low) {
    if (!def->mark_set)
      def->mark_set = 1;
    else if (def->high_low == 1)
      answer = answer > def->mark ? answer : def->mark;
    else
      answer = answer < def->mark ? answer : def->mark;
    def->mark = answer;
  }
  if (answer > 0.0)
    answer += def->round_add;
  else if (answer < 0.0)
    answer -= def->round_add;
  store_answer(cur, col, def, answer, text);
  return 0;
}

double do_arith(m_anch* def, curs* cur) {
  math_cell* cells = def->math.data();
  const int count = static_cast<int>(def->math.size());
  for (int p = def->paren_count; p >= 0; --p) {
    int from = 0, to = count;
    if (p > 0) {
      for (int i = count - 1; i >= 0; --i)
        if (cells[i].kind == math_left_paren) {
          from = i;
          break;
        }
      cells[from].kind = kConsumed;
      for (int i = from + 1; i < count; ++i)
        if (cells[i].kind == math_right_paren) {
          to = i;
          cells[i].kind = kConsumed;
          break;
        }
    }
    // A parenthesised group is shown with both of its parentheses.
    if (cur->trace)
      show_cells("cma3595", "do_arith: %.150s\n", cells, from, to < count ? to + 1 : to);
    if (!apply_pass(def, cur, cells, from, to, math_multiply, math_divide) ||
        !apply_pass(def, cur, cells, from, to, math_add, math_subtract))
      return 0.0;
  }
  for (int i = 0; i < count; ++i)
    if (cells[i].kind == math_constant) return cells[i].value;
  PRINT('e', "cma3670", "Math execution error (%s)\n", cur->cur_name);
  return 0.0;
}

// Answers below 10^12 are formatted with integer arithmetic, which is exact
// and costs a fraction of the general formatter's time.
char* fixed6(char* out, size_t size, double answer) {
#ifdef __SIZEOF_INT128__
  const double magnitude = std::fabs(answer);  // -0.0 too: its sign bit is cleared
  if (magnitude < 1e12) {                      // also false for NaN
    // magnitude = m * 2^-shift with the 53-bit integer m of its bits
    uint64_t bits = 0;
    memcpy(&bits, &magnitude, sizeof bits);
    const int biased = static_cast<int>(bits >> 52);
    uint64_t m = bits & ((uint64_t{1} << 52) - 1);
    int shift = 1074;  // subnormal
    if (biased) {
      m |= uint64_t{1} << 52;
      shift = 1075 - biased;
    }
    unsigned __int128 scaled = static_cast<unsigned __int128>(m) * 1000000u;
    uint64_t micros = 0;
    if (m == 0) {
      micros = 0;
    } else if (shift <= 0) {
      micros = static_cast<uint64_t>(scaled << -shift);
    } else if (shift < 120) {
      unsigned __int128 q = scaled >> shift;
      unsigned __int128 rest = scaled - (q << shift);
      unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
      if (rest > half || (rest == half && (q & 1))) ++q;
      micros = static_cast<uint64_t>(q);
    }  // else far below half a millionth: 0
    // Two digits at a time from a table of "00" to "99".
    static constexpr auto kPairs = [] {
      std::array<char, 200> t{};
      for (int i = 0; i < 100; ++i) {
        t[static_cast<size_t>(2 * i)] = static_cast<char>('0' + i / 10);
        t[static_cast<size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
      }
      return t;
    }();
    char digits[32];
    char* d = digits + sizeof digits;
    uint64_t whole = micros / 1000000u;
    auto frac = static_cast<uint32_t>(micros % 1000000u);
    for (int i = 0; i < 3; ++i, frac /= 100) memcpy(d -= 2, &kPairs[2 * (frac % 100)], 2);
    *--d = '.';
    for (; whole >= 10; whole /= 100) memcpy(d -= 2, &kPairs[2 * (whole % 100)], 2);
    if (whole || d[0] == '.') *--d = static_cast<char>('0' + whole);
    if (std::signbit(answer)) *--d = '-';
    size_t n = static_cast<size_t>(digits + sizeof digits - d);
    memcpy(out, d, n);
    return out + n;
  }
#endif
  return std::to_chars(out, out + size, answer, std::chars_format::fixed, 6).ptr;
}

int32_t slk_bytes(int32_t size, int32_t alignment) {
  if (alignment <= 0) return 0;
  int32_t rest = size % alignment;
  return rest ? alignment - rest : 0;
}
