// The math clause: options, expression words and their kinds, and every
// refusal of a malformed definition with its whole message lines.
#include "ctl/math_clause.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clause_fixture.h"
#include "ctl/clauses.h"
#include "util/trace.h"

namespace {

using lines = std::vector<std::string>;

class math_clause : public clause_test {};

std::vector<int16_t> word_types(const m_anch* m) {
  std::vector<int16_t> out;
  for (const math_in* in = m->words; in != nullptr; in = in->next) out.push_back(in->word_type);
  return out;
}

TEST_F(math_clause, BuildsTheWordsOfAnExpression) {
  clause_result r = run_clause(parse_math, cur, "cpu_pct ( busy * 100 ) / total");
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.lines, lines{});
  m_anch* m = cur->math;
  EXPECT_STREQ(m->name, "cpu_pct");
  EXPECT_EQ(m->word_count, 7);
  EXPECT_EQ(m->paren_count, 1);
  EXPECT_EQ(m->math.size(), 7u);
  EXPECT_EQ(word_types(m), (std::vector<int16_t>{2, 1, 7, 4, 3, 8, 1}));
  EXPECT_STREQ(m->words->next->text, "busy");

  EXPECT_EQ(run_clause(parse_math, cur, "x a - 5 + -5 * .5 / 1.5 e2").rc, 0);
  EXPECT_EQ(word_types(cur->math->next), (std::vector<int16_t>{1, 6, 4, 5, 4, 7, 4, 8, 4}));
  std::vector<double> values;
  for (const math_in* in = cur->math->next->words; in != nullptr; in = in->next)
    if (in->word_type == math_constant) values.push_back(in->value);
  EXPECT_EQ(values, (std::vector<double>{5, -5, 0.5, 150}));

  r = run_clause(parse_math, cur, "high x b");
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.lines, lines{"PMA3385E Duplicate use of math name x"});
  EXPECT_STREQ(cur->math->next->name, "x");
}

TEST_F(math_clause, OptionsBeforeTheName) {
  struct row {
    std::string text;
    int16_t decimal, round, high_low;
    double round_add, initial;
    std::string name;
  } rows[] = {
      {"cpu a", 2, 1, 0, 0.005, 0.0, "cpu"},                  // the defaults
      {"decimal 3 x a * 2", 3, 1, 0, 0.0005, 0.0, "x"},       // fewer places
      {"DECIMAL 0 x a", 0, 1, 0, 0.5, 0.0, "x"},              // upper case, no places
      {"noround x a", 2, 0, 0, 0.0, 0.0, "x"},                // no rounding
      {"initial -2.5 high x a", 2, 1, 1, 0.005, -2.5, "x"},   // initial value, high
      {"INITIAL 1.5E2 LOW x a", 2, 1, 2, 0.005, 150.0, "x"},  // exponent, low
      {"high low round x a", 2, 1, 2, 0.005, 0.0, "x"},       // the later one wins
      {"high x a", 2, 1, 1, 0.005, 0.0, "x"},                 // "high" cannot be a name
      {"Decimal a", 2, 1, 0, 0.005, 0.0, "Decimal"},          // mixed case is a name
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.text);
    curs fresh{};
    EXPECT_EQ(run_clause(parse_math, &fresh, r.text).rc, 0);
    const m_anch* m = fresh.math;
    EXPECT_EQ((std::vector<int16_t>{m->decimal, m->round, m->high_low}),
              (std::vector<int16_t>{r.decimal, r.round, r.high_low}));
    EXPECT_DOUBLE_EQ(m->round_add, r.round_add);
    EXPECT_DOUBLE_EQ(m->initial, r.initial);
    EXPECT_EQ(m->name, r.name);
  }
}

TEST_F(math_clause, TraceNamesEachWordKind) {
  tracing.trace_something = 1;  // set with tracem while the cursor file is read
  cur->tracem = 1;
  clause_result r = run_clause(parse_math, cur, "x ( a + 2.5 ) - b * c / d");
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.lines,
            (lines{"PMA3395T Math name = x, Word count = 11", "PMA3405T ( : Left Parenthesis",
                   "PMA3405T a : name", "PMA3405T + : Addition",
                   "PMA3405T 2.5 : constant : 2.500000", "PMA3405T ) : Right parenthesis",
                   "PMA3405T - : Subtraction", "PMA3405T b : name", "PMA3405T * : Multiplicaton",
                   "PMA3405T c : name", "PMA3405T / : Division", "PMA3405T d : name"}));
}

}  // namespace
