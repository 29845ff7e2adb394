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
      // clang-format off
      {"c R_JUSTIFY", 0, 0, 0, "c", "", {}},
      {"c l_justify", 1, 0, 0, "c", "", {}},
      {"c MINUTES", 2, 0, 0, "c", "", {}},
      {"c substr ( 1 , 10 )", 3, 1, 10, "c", "", {}},
      {col49 + " SUBSTR(2047,1)", 3, 2047, 1, col49, "", {}},  // no blanks needed, sum 2048
      {"c substr ( 2000 , 100 )", 3, 2000, 100, "c", "", {"PCL4170W Numeric sum excessive 2100"}},
      {"c CONCAT " + col49, 4, 0, 0, "c", col49, {}},
      {"c minutes2", 5, 0, 0, "c", "", {}},
      {"c timestamp", 6, 0, 0, "c", "", {}},
      // clang-format on
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
    EXPECT_EQ((std::vector<int16_t>{rec->arg1, rec->arg2}), (std::vector<int16_t>{r.arg1, r.arg2}));
    EXPECT_EQ((lines{rec->column, rec->column2}), (lines{r.column, r.column2}));
  }
}

// An argument kind that no routine of the table has.
TEST_F(col_exit_clause, UnknownArgumentKindIsRefused) {
  std::string text = "( 1 , 2 )";
  cxl_ptr rec{};
  clause_words words(text.data(), text.data() + text.size());
  int rc = -1;
  lines got = captured([&] { rc = parse_col_ex_args(words, {"ODD", "odd", 2, nullptr}, &rec); });
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(got, lines{"PCL4180E Improper type in exit definition - 2"});
}

TEST_F(col_exit_clause, ExitsOfOneColumnChainBehindItsFirst) {
  for (const char* text : {"a r_justify", "b l_justify", "a substr ( 1 , 2 )", "a concat b"})
    ASSERT_EQ(run_clause(parse_col_ex, cur, text).rc, 0);
  const cxl_ptr* a = cur->col_exits;
  EXPECT_EQ(a->routine, &col_exits[0]);
  EXPECT_STREQ(a->next->column, "b");
  EXPECT_EQ(a->next->next, nullptr);
  EXPECT_EQ(a->next->same_column, nullptr);
  EXPECT_EQ(a->same_column->routine, &col_exits[3]);
  EXPECT_EQ(a->same_column->same_column->routine, &col_exits[4]);
  EXPECT_EQ(a->same_column->same_column->same_column, nullptr);
}

}  // namespace
