// The math clause: options, expression words and their kinds, and every
// refusal of a malformed definition with its whole message lines.
#include "ctl/math_clause.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clause_fixture.h"
#include "ctl/clauses.h"
#include "std_capture.h"

namespace {

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
  for (const auto& row : data_rows("ctl/clauses/math_options.txt", 5)) {
    SCOPED_TRACE(row[0]);
    curs fresh{};
    EXPECT_EQ(run_clause(parse_math, &fresh, row[0]).rc, 0);
    const m_anch* m = fresh.math;
    EXPECT_EQ((std::vector<int64_t>{m->decimal, m->round, m->high_low}), data_ints(row[1]));
    EXPECT_DOUBLE_EQ(m->round_add, std::stod(row[2]));
    EXPECT_DOUBLE_EQ(m->initial, std::stod(row[3]));
    EXPECT_EQ(m->name, row[4]);
  }
}

}  // namespace
