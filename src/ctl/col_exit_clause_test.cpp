// The column_exit clause: routine spellings and argument kinds, grouping of
// exits by column, and every refusal with its whole message lines.
#include "ctl/col_exit_clause.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clause_fixture.h"
#include "ctl/clause_words.h"
#include "ctl/clauses.h"
#include "std_capture.h"

namespace {

class col_exit_clause : public clause_test {};

TEST_F(col_exit_clause, AcceptedExits) {
  for (const auto& row : data_rows("ctl/clauses/col_exit_accepted.txt", 5)) {
    SCOPED_TRACE(row[0]);
    curs fresh{};
    clause_result got = run_clause(parse_col_ex, &fresh, row[0]);
    EXPECT_EQ(got.rc, 0);
    EXPECT_EQ(got.lines, row[4].empty() ? lines{} : lines{row[4]});
    const cxl_ptr* rec = fresh.col_exits;
    ASSERT_NE(rec, nullptr);
    std::vector<int64_t> want = data_ints(row[1]);
    EXPECT_EQ(rec->routine, &col_exits[want[0]]);
    EXPECT_EQ((std::vector<int64_t>{rec->arg1, rec->arg2}),
              (std::vector<int64_t>{want[1], want[2]}));
    EXPECT_EQ((lines{rec->column, rec->column2}), (lines{row[2], row[3]}));
  }
}

// An argument kind that no routine of the table has.
TEST_F(col_exit_clause, UnknownArgumentKindIsRefused) {
  std::string text = "( 1 , 2 )";
  cxl_ptr rec{};
  clause_words words(text.data(), text.data() + text.size());
  int rc = -1;
  lines got = captured([&] { rc = parse_col_ex_args(words, {"ODD", "odd", 2}, &rec); });
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
