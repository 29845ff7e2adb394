// The column_exit clause: routine spellings and argument kinds, grouping of
// exits by column, and every refusal with its whole message lines.
#include "ctl/col_exit_clause.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clause_fixture.h"
#include "ctl/clause_words.h"
#include "ctl/clauses.h"

namespace {

using lines = std::vector<std::string>;

class col_exit_clause : public clause_test {};

TEST_F(col_exit_clause, AcceptedExits) {
  const std::string col49(49, 'c');
  struct row {
    std::string text;
    int routine;  // index in col_exits
    int16_t arg1, arg2;
    std::string column, column2;
    lines expected;
  } rows[] = {
      {"c R_JUSTIFY", 0, 0, 0, "c", "", {}},
      {"c l_justify", 1, 0, 0, "c", "", {}},
      {"c MINUTES", 2, 0, 0, "c", "", {}},
      {"c substr ( 1 , 10 )", 3, 1, 10, "c", "", {}},
      {col49 + " SUBSTR(2047,1)", 3, 2047, 1, col49, "", {}},  // no blanks needed, sum 2048
      {"c substr ( 2000 , 100 )", 3, 2000, 100, "c", "", {"PCL4170W Numeric sum excessive 2100"}},
      {"c CONCAT " + col49, 4, 0, 0, "c", col49, {}},
      {"c minutes2", 5, 0, 0, "c", "", {}},
      {"c timestamp", 6, 0, 0, "c", "", {}},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.text);
    curs fresh{};
    clause_result got = run_clause(parse_col_ex, &fresh, r.text);
    EXPECT_EQ(got.rc, 0);
    EXPECT_EQ(got.lines, r.expected);
    const cxl_ptr* rec = fresh.col_exits;
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->routine, &col_exits[r.routine]);
    EXPECT_EQ(rec->arg1, r.arg1);
    EXPECT_EQ(rec->arg2, r.arg2);
    EXPECT_EQ(rec->column, r.column);
    EXPECT_EQ(rec->column2, r.column2);
    EXPECT_EQ(rec->same_column, nullptr);
  }
}

TEST_F(col_exit_clause, TableNamesKindsAndRoutines) {
  EXPECT_EQ(col_exits[3].kind, col_ex_start_len);
  EXPECT_EQ(col_exits[4].kind, col_ex_column);
  EXPECT_EQ(col_exits[3].routine, &colex_s);
  EXPECT_EQ(col_exits[6].routine, &colex_t);
  for (const col_ex_def& def : col_exits) {
    std::string lower = def.upper;
    for (char& ch : lower) ch = static_cast<char>(tolower(ch));
    EXPECT_EQ(def.lower, lower);
  }
}

TEST_F(col_exit_clause, RefusesMalformedExits) {
  const std::string col50(50, 'c');
  const std::string fn20(20, 'f');
  struct row {
    std::string text;
    lines expected;
  } rows[] = {
      {"", {"PDE4085E Bad decode syntax : "}},
      {"( substr", {"PDE4085E Bad decode syntax : ( substr"}},
      {col50 + " r_justify", {"PCC4090E Column name too long (50) in " + col50 + " r_justify"}},
      {"c", {"PDE4095E Bad decode syntax : c"}},
      {"c " + fn20, {"PCF4100E Function name too long (20) in c " + fn20}},
      {"c justify", {"PCF4105E Column exit routine not known"}},
      {"c Substr ( 1 , 2 )", {"PCF4105E Column exit routine not known"}},  // mixed case
      {"c substr", {"PCL4120E Missing parenthesis"}},
      {"c substr 1 , 2 )", {"PCL4120E Missing parenthesis"}},
      {"c substr (", {"PCL4125E Missing numeric operand"}},
      {"c substr ( x , 2 )", {"PCL4130E Found non-numeric where number required"}},
      {"c substr ( 2049 , 2 )", {"PCL4135E Numeric is excessive 2049 > 2048"}},
      {"c substr ( 99999999999 , 2 )", {"PCL4135E Numeric is excessive 2147483647 > 2048"}},
      {"c substr ( 0 , 10 )", {"PCL4137E Numeric is less than 1 0"}},
      {"c substr ( 1", {"PCL4140E Missing required comma"}},
      {"c substr ( 1 2 )", {"PCL4145E Missing required comma"}},
      {"c substr ( 1 ,", {"PCL4150E Missing second numeric operand"}},
      {"c substr ( 1 , y )", {"PCL4155E Found non-numeric where number required"}},
      {"c substr ( 1 , 2049 )", {"PCL4160E Numeric is excessive 2049 > 2048"}},
      {"c substr ( 1 , -1 )", {"PCL4165E Numeric is less than 1 -1"}},
      {"c substr ( 1 , 2", {"PCL4175E Missing ending parenthesis"}},
      {"c substr ( 1 , 2 , 3 )", {"PCL4175E Missing ending parenthesis"}},
      {"c concat", {"PCL4110E Missing column name in concat"}},
      {"c concat " + col50, {"CCL4115E Excessive length on " + col50}},
      {"c r_justify now", {"PCL4185E Excessive text after column exit in c r_justify now"}},
      {"c substr(1,2) x", {"PCL4185E Excessive text after column exit in c substr(1,2) x"}},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.text);
    curs fresh{};
    clause_result got = run_clause(parse_col_ex, &fresh, r.text);
    EXPECT_EQ(got.rc, 1);
    EXPECT_EQ(got.lines, r.expected);
    EXPECT_EQ(fresh.col_exits, nullptr);
  }
}

TEST_F(col_exit_clause, UnknownArgumentKindIsRefused) {
  const col_ex_def odd{"ODD", "odd", 2, nullptr};
  std::string text = "( 1 , 2 )";
  cxl_ptr rec{};
  message_capture capture;
  clause_words words(text.data(), text.data() + text.size());
  EXPECT_EQ(parse_col_ex_args(words, odd, &rec), 1);
  EXPECT_EQ(capture.lines(), lines{"PCL4180E Improper type in exit definition - 2"});
}

TEST_F(col_exit_clause, ExitsOfOneColumnChainBehindItsFirst) {
  for (const char* text : {"a r_justify", "b l_justify", "a substr ( 1 , 2 )", "a concat b"}) {
    ASSERT_EQ(run_clause(parse_col_ex, cur, text).rc, 0);
  }
  const cxl_ptr* a = cur->col_exits;
  ASSERT_NE(a, nullptr);
  EXPECT_STREQ(a->column, "a");
  EXPECT_EQ(a->routine, &col_exits[0]);
  ASSERT_NE(a->next, nullptr);
  EXPECT_STREQ(a->next->column, "b");
  EXPECT_EQ(a->next->next, nullptr);
  EXPECT_EQ(a->next->same_column, nullptr);
  ASSERT_NE(a->same_column, nullptr);
  EXPECT_EQ(a->same_column->routine, &col_exits[3]);
  ASSERT_NE(a->same_column->same_column, nullptr);
  EXPECT_EQ(a->same_column->same_column->routine, &col_exits[4]);
  EXPECT_STREQ(a->same_column->same_column->column2, "b");
  EXPECT_EQ(a->same_column->same_column->same_column, nullptr);
}

}  // namespace
