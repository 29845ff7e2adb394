// The math clause parser: math [options] NAME expression. Options set the
// rounding and high/low behaviour; the expression's words are checked for
// balanced parentheses and for the order of operands and operators.
#include "ctl/math_clause.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "ctl/arena.h"
#include "ctl/clause_words.h"
#include "ctl/clauses.h"
#include "ctl/curs.h"
#include "ctl/reader.h"
#include "util/print.h"

namespace {

int16_t word_kind(const clause_word& w) {
  if (w.numeric()) return math_constant;
  if (w.len == 1) {
    switch (w.str[0]) {
      case '(':
        return math_left_paren;
      case ')':
        return math_right_paren;
      case '+':
        return math_add;
      case '-':
        return math_subtract;
      case '*':
        return math_multiply;
      case '/':
        return math_divide;
    }
  }
  return math_name;
}

bool is_operand(int16_t t) { return t == math_name || t == math_constant; }
bool is_operator(int16_t t) { return t >= math_add; }

// The ids of the word-order rules that word `self` breaks between `prev` and
// `next` (0 standing for no word): the rule on the word before it, then the
// rule on the word after it. Null where a rule holds.
struct order_failures {
  const char* before = nullptr;
  const char* after = nullptr;
};

order_failures order_check(int16_t prev, int16_t self, int16_t next) {
  order_failures f;
  if (is_operand(self)) {
    if (prev != 0 && !is_operator(prev) && prev != math_left_paren) f.before = "pma3460";
    if (next != 0 && !is_operator(next) && next != math_right_paren) f.after = "pma3465";
  } else if (self == math_left_paren) {
    if (is_operand(prev)) f.before = "pma3420";
    if (next == 0) {
      f.after = "pma3430";
    } else if (next != math_left_paren && !is_operand(next)) {
      f.after = "pma3425";
    }
  } else if (self == math_right_paren) {
    if (prev != 0 && prev != math_right_paren && !is_operand(prev)) f.before = "pma3435";
    if (is_operand(next)) f.after = "pma3440";
  } else {
    if (prev != 0 && prev != math_right_paren && !is_operand(prev)) f.before = "pma3445";
    if (next == 0) {
      f.after = "pma3455";
    } else if (next != math_left_paren && !is_operand(next)) {
      f.after = "pma3450";
    }
  }
  return f;
}

void trace_math(const m_anch& m) {
  ctl_trace("pma3395", "Math name = %s, Word count = %d\n", m.name, m.word_count);
  for (const math_in* in = m.words; in != nullptr; in = in->next) {
    static const char* const kinds[] = {
        "",           ": name",        ": Left Parenthesis", ": Right parenthesis", "",
        ": Addition", ": Subtraction", ": Multiplicaton",    ": Division"};
    char kind[64];
    if (in->word_type == math_constant) {
      snprintf(kind, sizeof kind, ": constant : %f", in->value);
    } else {
      snprintf(kind, sizeof kind, "%s", kinds[in->word_type]);
    }
    ctl_trace("pma3405", "%s %s\n", in->text, kind);
  }
}

// Options before the name. Returns 1 with the first word that is no option
// in `w`, 0 when the text ended, -1 after the message.
int read_options(clause_words& words, clause_word& w, m_anch& m, const std::string& text) {
  int r;
  while ((r = words.next(w)) == 1) {
    if (w.is_either("decimal", "DECIMAL")) {
      clause_word v;
      long long places = words.next(v) == 1 && v.numeric() ? v.integer() : -1;
      if (places < 0 || places > INT16_MAX) {
        PRINT('e', "pma3370", "Decimal specified without value in %s\n", text.c_str());
        return -1;
      }
      m.decimal = static_cast<int16_t>(places);
    } else if (w.is_either("noround", "NOROUND")) {
      m.round = 0;
    } else if (w.is_either("initial", "INITIAL")) {
      clause_word v;
      if (words.next(v) != 1 || !v.numeric()) {
        PRINT('e', "pma3375", "Initial specified without value in %s\n", text.c_str());
        return -1;
      }
      m.initial = v.value();
    } else if (w.is_either("high", "HIGH")) {
      m.high_low = 1;
    } else if (w.is_either("low", "LOW")) {
      m.high_low = 2;
    } else if (!w.is_either("round", "ROUND")) {
      return 1;
    }
  }
  return r < 0 ? -1 : 0;
}

// Checks the parentheses and the word order; 0, or 1 after the messages.
int check_expression(const m_anch& m, const std::string& text) {
  // Every broken rule is reported, so that one look at the messages shows
  // all that is wrong with the expression.
  int bad = 0;
  int open = 0;
  for (const math_in* in = m.words; in != nullptr && open >= 0; in = in->next) {
    if (in->word_type == math_left_paren) ++open;
    if (in->word_type == math_right_paren && --open < 0) {
      PRINT('e', "pma3410", "Right paren out of order\n");
      bad = 1;
    }
  }
  if (open > 0) {
    PRINT('e', "pma3415", "Parens don't balance in %s\n", text.c_str());
    bad = 1;
  }
  int16_t prev = 0;
  int number = 1;
  for (const math_in* in = m.words; in != nullptr; in = in->next, ++number) {
    int16_t next = in->next != nullptr ? in->next->word_type : 0;
    order_failures f = order_check(prev, in->word_type, next);
    for (const char* id : {f.before, f.after}) {
      if (id == nullptr) continue;
      PRINT('e', id, "Bad math syntax starting at word %d in %s\n", number, text.c_str());
      bad = 1;
    }
    prev = in->word_type;
  }
  return bad;
}

}  // namespace

double math_round_add(int16_t decimal, int16_t round) {
  if (round == 0) return 0.0;
  double add = 0.5;
  for (int i = 0; i < decimal; ++i) add /= 10;
  return add;
}

int parse_math(curs* cur, char* rest) {
  std::string text = shown(rest);
  auto* m = cursor_arena().make<m_anch>();
  m->decimal = 2;
  m->round = 1;
  append_chain(cur->math, m);

  clause_words words(rest, rest + strlen(rest));
  clause_word w;
  int r = read_options(words, w, *m, text);
  if (r < 0) return 1;
  m->round_add = math_round_add(m->decimal, m->round);
  if (r == 0) {
    PRINT('e', "pma3378", "Math name missing in %s\n", text.c_str());
    return 1;
  }
  if (!copy_name(m->name, sizeof m->name, w.str, w.len)) {
    PRINT('e', "pma3380", "Math name too long : %s\n", w.text().c_str());
    return 1;
  }
  for (const m_anch* other = cur->math; other != nullptr; other = other->next) {
    if (other != m && memcmp(other->name, m->name, sizeof m->name) == 0) {
      PRINT('e', "pma3385", "Duplicate use of math name %s\n", m->name);
      return 1;
    }
  }

  math_in** tail = &m->words;  // the chain is new and private to this statement
  int count = 0;
  while ((r = words.next(w)) == 1) {
    auto* in = cursor_arena().make<math_in>();
    if (!copy_name(in->text, sizeof in->text, w.str, w.len)) {
      PRINT('e', "pma3390", "Word in math expression is too long : %s\n", w.text().c_str());
      return 1;
    }
    if (count == INT16_MAX) break;
    in->word_type = word_kind(w);
    if (in->word_type == math_constant) in->value = w.value();
    *tail = in;
    tail = &in->next;
    ++count;
  }
  m->word_count = static_cast<int16_t>(count);
  for (const math_in* in = m->words; in != nullptr; in = in->next) {
    if (in->word_type == math_left_paren) ++m->paren_count;
  }
  if (cur->tracem) trace_math(*m);
  // A tokeniser error, more words than the count holds, or no expression at all.
  if (r != 0 || count == 0) {
    PRINT('e', "pma3392", "Bad math syntax starting at word %d in %s\n", count + 1, text.c_str());
    return 1;
  }
  if (check_expression(*m, text) != 0) return 1;
  m->math.assign(count, math_cell{});
  return 0;
}
