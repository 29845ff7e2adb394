// The small clauses: accepted statements leave exact records in statement
// order; every malformed statement is refused with its whole message line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clause_fixture.h"
#include "ctl/clause_records.h"
#include "ctl/clauses.h"
#include "ctl/decode_clause.h"
#include "std_capture.h"

namespace {

const std::string name19(19, 'p'), name49(49, 'c'), name55(55, 'n');

class simple_clauses : public clause_test {};

TEST_F(simple_clauses, RecordsKeepStatementOrderAndLongestNames) {
  EXPECT_EQ(run_clause(parse_pre_cursor, cur, "FIRST").rc, 0);
  curs version = *cur;  // a conditional version shares the parent's chains
  EXPECT_EQ(run_clause(parse_pre_cursor, &version, name19).rc, 0);
  EXPECT_STREQ(cur->pre_cursors->name, "FIRST");
  EXPECT_EQ(cur->pre_cursors->next->name, name19);

  EXPECT_EQ(run_clause(parse_in_list, cur, name55 + "   using   " + name49).rc, 0);
  EXPECT_EQ(run_clause(parse_in_list, cur, "L2 using hosts").rc, 0);
  const in_list* first = cur->in_lists;
  EXPECT_EQ((lines{first->name, first->column, first->text, first->next->name}),
            (lines{name55, name49, "( 'ZIP' )", "L2"}));
  EXPECT_EQ((std::vector<int>{first->column_len, first->text_len, first->next->column_len}),
            (std::vector<int>{49, 9, 5}));

  EXPECT_EQ(run_clause(parse_set_len, cur, "b 2048").rc, 0);
  EXPECT_EQ(run_clause(parse_set_len, cur, name49 + " 1").rc, 0);
  EXPECT_EQ(cur->set_lens->length, 2048);
  EXPECT_EQ(cur->set_lens->next->column, name49);
  EXPECT_EQ(cur->set_lens->next->length, 1);

  EXPECT_EQ(run_clause(parse_iterate, cur, "DRIVER").rc, 0);
  clause_result r = run_clause(parse_iterate, cur, "OTHER");
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.lines, lines{"PIT3125E Can only have one iterate on a cursor"});
  EXPECT_STREQ(cur->iterate->name, "DRIVER");
}

TEST_F(simple_clauses, BaseColumnsAndLengths) {
  for (const auto& row : data_rows("ctl/clauses/base_accepted.txt", 4)) {
    SCOPED_TRACE(row[0]);
    curs fresh{};
    EXPECT_EQ(run_clause(parse_base, &fresh, row[0]).rc, 0);
    const base* b = fresh.bases;
    EXPECT_EQ((lines{b->base_cursor, b->on_column, b->to_column}),
              lines(row.begin() + 1, row.end()));
    EXPECT_EQ((std::vector<size_t>{size_t(b->on_len), size_t(b->to_len)}),
              (std::vector<size_t>{row[2].size(), row[3].size()}));
  }
}

TEST_F(simple_clauses, IterateWhereIsADecodeOfItsOwn) {
  EXPECT_EQ(run_clause(parse_decode, cur, "status = 1 , 2").rc, 0);
  decode* own = cur->decodes;
  clause_result r = run_clause(parse_iterate_where, cur, "host = 'a' and ~= 'b'");
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.lines, lines{});
  EXPECT_EQ(cur->decodes, own);  // the cursor's decodes are untouched
  EXPECT_EQ(own->next, nullptr);
  const decode* where = cur->iterate_where->where_ops;
  EXPECT_STREQ(where->column, "host");
  EXPECT_EQ(std::string(where->ops->operator_, where->ops->operand_ll), "a");
  EXPECT_EQ(where->ops->and_parts->operatr, op_not_equal);
  // The blank string supplied as the replacement.
  EXPECT_EQ(std::string(where->ops->replacement, where->ops->replacement_ll), " ");

  r = run_clause(parse_iterate_where, cur, "host = 'c'");
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.lines, lines{"PIT4475E Only one ITERATE_WHERE allowed per cursor"});
}

}  // namespace
