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
  EXPECT_TRUE(r.lines.empty());
  m_anch* m = cur->math;
  ASSERT_NE(m, nullptr);
  EXPECT_STREQ(m->name, "cpu_pct");
  EXPECT_EQ(m->word_count, 7);
  EXPECT_EQ(m->paren_count, 1);
  EXPECT_EQ(word_types(m), (std::vector<int16_t>{2, 1, 7, 4, 3, 8, 1}));
  EXPECT_STREQ(m->words->next->text, "busy");
  EXPECT_STREQ(m->words->next->next->next->text, "100");
  EXPECT_EQ(m->words->next->next->next->value, 100.0);
  EXPECT_EQ(m->math.size(), 7u);
  EXPECT_EQ(m->decimal, 2);
  EXPECT_EQ(m->round, 1);
  EXPECT_DOUBLE_EQ(m->round_add, 0.005);
  EXPECT_EQ(m->high_low, 0);
  EXPECT_EQ(m->initial, 0.0);
}

TEST_F(math_clause, OptionsBeforeTheName) {
  struct row {
    std::string text;
    int16_t decimal, round, high_low;
    double round_add, initial;
    std::string name;
  } rows[] = {
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
    ASSERT_NE(fresh.math, nullptr);
    EXPECT_EQ(fresh.math->decimal, r.decimal);
    EXPECT_EQ(fresh.math->round, r.round);
    EXPECT_EQ(fresh.math->high_low, r.high_low);
    EXPECT_DOUBLE_EQ(fresh.math->round_add, r.round_add);
    EXPECT_DOUBLE_EQ(fresh.math->initial, r.initial);
    EXPECT_EQ(fresh.math->name, r.name);
  }
}

TEST_F(math_clause, ConstantsAndOperators) {
  EXPECT_EQ(run_clause(parse_math, cur, "x a - 5 + -5 * .5 / 1.5 e2").rc, 0);
  EXPECT_EQ(word_types(cur->math), (std::vector<int16_t>{1, 6, 4, 5, 4, 7, 4, 8, 4}));
  std::vector<double> values;
  for (const math_in* in = cur->math->words; in != nullptr; in = in->next) {
    if (in->word_type == math_constant) values.push_back(in->value);
  }
  EXPECT_EQ(values, (std::vector<double>{5, -5, 0.5, 150}));
}

TEST_F(math_clause, RefusesMalformedDefinitions) {
  const std::string long_word(50, 'w');
  struct row {
    std::string text;
    lines expected;
  } rows[] = {
      {"decimal", {"PMA3370E Decimal specified without value in decimal"}},
      {"decimal x y a", {"PMA3370E Decimal specified without value in decimal x y a"}},
      {"decimal -1 x a", {"PMA3370E Decimal specified without value in decimal -1 x a"}},
      {"initial abc x a", {"PMA3375E Initial specified without value in initial abc x a"}},
      {"", {"PMA3378E Math name missing in "}},
      {"noround", {"PMA3378E Math name missing in noround"}},
      {long_word + " a", {"PMA3380E Math name too long : " + long_word}},
      {"x a + " + long_word, {"PMA3390E Word in math expression is too long : " + long_word}},
      {"x", {"PMA3392E Bad math syntax starting at word 1 in x"}},                // no expression
      {"x a + 'b", {"PMA3392E Bad math syntax starting at word 3 in x a + 'b"}},  // open quote
      {"x a )", {"PMA3410E Right paren out of order"}},
      {"x ) a (",
       {"PMA3410E Right paren out of order",
        "PMA3440E Bad math syntax starting at word 1 in x ) a (",
        "PMA3460E Bad math syntax starting at word 2 in x ) a (",
        "PMA3465E Bad math syntax starting at word 2 in x ) a (",
        "PMA3420E Bad math syntax starting at word 3 in x ) a (",
        "PMA3430E Bad math syntax starting at word 3 in x ) a ("}},
      {"x ( a", {"PMA3415E Parens don't balance in x ( a"}},
      {"x a + (",
       {"PMA3415E Parens don't balance in x a + (",
        "PMA3430E Bad math syntax starting at word 3 in x a + ("}},
      {"x a ( b )",
       {"PMA3465E Bad math syntax starting at word 1 in x a ( b )",
        "PMA3420E Bad math syntax starting at word 2 in x a ( b )"}},
      {"x ( + a )",
       {"PMA3425E Bad math syntax starting at word 1 in x ( + a )",
        "PMA3445E Bad math syntax starting at word 2 in x ( + a )"}},
      {"x a + ( )",
       {"PMA3425E Bad math syntax starting at word 3 in x a + ( )",
        "PMA3435E Bad math syntax starting at word 4 in x a + ( )"}},
      {"x ( a ) b",
       {"PMA3440E Bad math syntax starting at word 3 in x ( a ) b",
        "PMA3460E Bad math syntax starting at word 4 in x ( a ) b"}},
      {"x a * / b",
       {"PMA3450E Bad math syntax starting at word 2 in x a * / b",
        "PMA3445E Bad math syntax starting at word 3 in x a * / b"}},
      {"x a -", {"PMA3455E Bad math syntax starting at word 2 in x a -"}},
      {"x a b",
       {"PMA3465E Bad math syntax starting at word 1 in x a b",
        "PMA3460E Bad math syntax starting at word 2 in x a b"}},
      {"x a -5",
       {"PMA3465E Bad math syntax starting at word 1 in x a -5",
        "PMA3460E Bad math syntax starting at word 2 in x a -5"}},  // -5 is a number
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.text);
    curs fresh{};
    clause_result got = run_clause(parse_math, &fresh, r.text);
    EXPECT_EQ(got.rc, 1);
    EXPECT_EQ(got.lines, r.expected);
  }
}

TEST_F(math_clause, DuplicateNames) {
  EXPECT_EQ(run_clause(parse_math, cur, "x a").rc, 0);
  EXPECT_EQ(run_clause(parse_math, cur, "y a").rc, 0);
  clause_result r = run_clause(parse_math, cur, "high x b");
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.lines, lines{"PMA3385E Duplicate use of math name x"});
  EXPECT_STREQ(cur->math->name, "x");
  EXPECT_STREQ(cur->math->next->name, "y");
}

TEST_F(math_clause, TraceListsTheWords) {
  tracing.trace_something = 1;  // set with tracem while the cursor file is read
  cur->tracem = 1;
  clause_result r = run_clause(parse_math, cur, "x ( a + 2.5 ) - b * c / d");
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.lines, (lines{
                         "PMA3395T Math name = x, Word count = 11",
                         "PMA3405T ( : Left Parenthesis",
                         "PMA3405T a : name",
                         "PMA3405T + : Addition",
                         "PMA3405T 2.5 : constant : 2.500000",
                         "PMA3405T ) : Right parenthesis",
                         "PMA3405T - : Subtraction",
                         "PMA3405T b : name",
                         "PMA3405T * : Multiplicaton",
                         "PMA3405T c : name",
                         "PMA3405T / : Division",
                         "PMA3405T d : name",
                     }));
}

}  // namespace
