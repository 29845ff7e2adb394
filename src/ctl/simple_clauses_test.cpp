// The small clauses: accepted statements leave exact records in statement
// order; every malformed statement is refused with its whole message line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clause_fixture.h"
#include "ctl/clause_records.h"
#include "ctl/clauses.h"
#include "ctl/decode_clause.h"

namespace {

using lines = std::vector<std::string>;

struct refusal {
  int (*parser)(curs*, char*);
  std::string text;
  lines expected;
};

const std::string name19(19, 'p');
const std::string name20(20, 'p');
const std::string name49(49, 'c');
const std::string name50(50, 'c');
const std::string name53(53, 'c');
const std::string name54(54, 'c');
const std::string name55(55, 'n');
const std::string name56(56, 'n');

class simple_clauses : public clause_test {};

TEST_F(simple_clauses, RefusesMalformedStatements) {
  const refusal rows[] = {
      {parse_pre_cursor, "", {"PPR3110E Invalid pre_cursor format: "}},               // no name
      {parse_pre_cursor, name20, {"PPR3110E Invalid pre_cursor format: " + name20}},  // 20 chars
      {parse_pre_cursor, "A B", {"PPR3110E Invalid pre_cursor format: A B"}},   // a second word
      {parse_iterate, "", {"PIT3126E Invalid iterate format: "}},               // no name
      {parse_iterate, name20, {"PIT3126E Invalid iterate format: " + name20}},  // 20 chars
      {parse_in_list, "L1 USING c", {"PIN3260E Invalid in_list format: L1 USING c"}},  // case
      {parse_in_list, "L1 usingc", {"PIN3260E Invalid in_list format: L1 usingc"}},    // glued
      {parse_in_list, "L1 using", {"PIN3260E Invalid in_list format: L1 using"}},      // no column
      {parse_in_list, "L1", {"PIN3260E Invalid in_list format: L1"}},                  // no using
      {parse_in_list,
       name56 + " using c",
       {"PIN3260E Invalid in_list format: " + name56 + " using c"}},  // name over 55
      {parse_in_list,
       "L1 using " + name50,
       {"PIN3260E Invalid in_list format: L1 using " + name50}},  // column over 49
      {parse_in_list, "L1 using c d", {"PIN3260E Invalid in_list format: L1 using c d"}},  // extra
      {parse_base, "B at a -> b", {"PBA3285E Invalid base format: B at a -> b"}},  // not "on"
      {parse_base, "B ON a -> b", {"PBA3285E Invalid base format: B ON a -> b"}},  // upper case
      {parse_base, "B on -> b", {"PBA3285E Invalid base format: B on -> b"}},      // no on-column
      {parse_base,
       std::string(16, 'B') + " on a -> b",
       {"PBA3285E Invalid base format: " + std::string(16, 'B') + " on a -> b"}},  // cursor 16
      {parse_base,
       "B on " + name54 + " -> b",
       {"PBA3285E Invalid base format: B on " + name54 + " -> b"}},            // on-column over 53
      {parse_base, "B on a b", {"PBA3290E Invalid base format: B on a b"}},    // no arrow
      {parse_base, "B on a ->", {"PBA3290E Invalid base format: B on a ->"}},  // no to-column
      {parse_base,
       "B on a -> " + name54,
       {"PBA3290E Invalid base format: B on a -> " + name54}},  // to-column over 53
      {parse_base, "B on a -> b c", {"PBA3290E Invalid base format: B on a -> b c"}},  // extra
      {parse_set_len, "", {"PCL4540E Invalid set_len syntax"}},                        // no column
      {parse_set_len, ", 10", {"PCL4540E Invalid set_len syntax"}},                    // a comma
      {parse_set_len, name50 + " 10", {"PCL4545E Excessive text in set_len : " + name50}},
      {parse_set_len, "a.b 10", {"PCL4550E Can't use qualified name in set_len (a.b)"}},
      {parse_set_len, "b", {"PCL4555E Missing numeric length value in set_len (b)"}},
      {parse_set_len, "b x", {"PCL4560E Missing numeric length value in set_len (b x)"}},
      {parse_set_len, "b 0", {"PCL4560E Missing numeric length value in set_len (b 0)"}},
      {parse_set_len, "b 4096", {"PCL4565E Cannot set length greator than 2048 in b 4096"}},
      {parse_set_len,
       "b 99999999999999999999",
       {"PCL4565E Cannot set length greator than 2048 in b 99999999999999999999"}},  // huge
      {parse_set_len, "b 10 20", {"PCL4540E Invalid set_len syntax"}},  // a second length
  };
  for (const refusal& row : rows) {
    SCOPED_TRACE(row.text);
    curs fresh{};
    clause_result r = run_clause(row.parser, &fresh, row.text);
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.lines, row.expected);
    EXPECT_EQ(fresh.pre_cursors, nullptr);
    EXPECT_EQ(fresh.iterate, nullptr);
    EXPECT_EQ(fresh.in_lists, nullptr);
    EXPECT_EQ(fresh.bases, nullptr);
    EXPECT_EQ(fresh.set_lens, nullptr);
  }
}

TEST_F(simple_clauses, PreCursorsAndInListsKeepStatementOrder) {
  EXPECT_EQ(run_clause(parse_pre_cursor, cur, "FIRST").rc, 0);
  EXPECT_EQ(run_clause(parse_pre_cursor, cur, name19).rc, 0);
  ASSERT_NE(cur->pre_cursors, nullptr);
  EXPECT_STREQ(cur->pre_cursors->name, "FIRST");
  ASSERT_NE(cur->pre_cursors->next, nullptr);
  EXPECT_EQ(cur->pre_cursors->next->name, name19);
  EXPECT_EQ(cur->pre_cursors->next->next, nullptr);

  clause_result r = run_clause(parse_in_list, cur, name55 + "   using   " + name49);
  EXPECT_EQ(r.rc, 0);
  EXPECT_TRUE(r.lines.empty());
  EXPECT_EQ(run_clause(parse_in_list, cur, "L2 using hosts").rc, 0);
  in_list* first = cur->in_lists;
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->name, name55);
  EXPECT_EQ(first->column, name49);
  EXPECT_EQ(first->column_len, 49);
  EXPECT_STREQ(first->text, "( 'ZIP' )");
  EXPECT_EQ(first->text_len, 9);
  ASSERT_NE(first->next, nullptr);
  EXPECT_STREQ(first->next->name, "L2");
  EXPECT_STREQ(first->next->column, "hosts");
  EXPECT_EQ(first->next->column_len, 5);
}

TEST_F(simple_clauses, ClauseInAVersionLengthensTheSharedChain) {
  EXPECT_EQ(run_clause(parse_pre_cursor, cur, "A").rc, 0);
  curs version = *cur;  // a conditional version shares the parent's chains
  EXPECT_EQ(run_clause(parse_pre_cursor, &version, "B").rc, 0);
  ASSERT_NE(cur->pre_cursors->next, nullptr);
  EXPECT_STREQ(cur->pre_cursors->next->name, "B");
}

TEST_F(simple_clauses, OnlyOneIterate) {
  EXPECT_EQ(run_clause(parse_iterate, cur, "DRIVER").rc, 0);
  ASSERT_NE(cur->iterate, nullptr);
  EXPECT_STREQ(cur->iterate->name, "DRIVER");
  clause_result r = run_clause(parse_iterate, cur, "OTHER");
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.lines, lines{"PIT3125E Can only have one iterate on a cursor"});
  EXPECT_STREQ(cur->iterate->name, "DRIVER");
}

TEST_F(simple_clauses, BaseColumnsAndLengths) {
  struct row {
    std::string text, cursor, on, to;
  } rows[] = {
      {"PREV on sid -> sid", "PREV", "sid", "sid"},          // blanks around the arrow
      {"PREV on sid->psid", "PREV", "sid", "psid"},          // the arrow right after the column
      {"P on   " + name53 + "   ->   x", "P", name53, "x"},  // longest on-column
      {std::string(15, 'B') + " on a -> " + name53, std::string(15, 'B'), "a", name53},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.text);
    curs fresh{};
    EXPECT_EQ(run_clause(parse_base, &fresh, r.text).rc, 0);
    ASSERT_NE(fresh.bases, nullptr);
    EXPECT_EQ(fresh.bases->base_cursor, r.cursor);
    EXPECT_EQ(fresh.bases->on_column, r.on);
    EXPECT_EQ(fresh.bases->on_len, static_cast<int16_t>(r.on.size()));
    EXPECT_EQ(fresh.bases->to_column, r.to);
    EXPECT_EQ(fresh.bases->to_len, static_cast<int16_t>(r.to.size()));
  }
}

TEST_F(simple_clauses, SetLenLengths) {
  EXPECT_EQ(run_clause(parse_set_len, cur, "b 2048").rc, 0);
  EXPECT_EQ(run_clause(parse_set_len, cur, name49 + " 1").rc, 0);
  ASSERT_NE(cur->set_lens, nullptr);
  EXPECT_STREQ(cur->set_lens->column, "b");
  EXPECT_EQ(cur->set_lens->length, 2048);
  ASSERT_NE(cur->set_lens->next, nullptr);
  EXPECT_EQ(cur->set_lens->next->column, name49);
  EXPECT_EQ(cur->set_lens->next->length, 1);
}

TEST_F(simple_clauses, IterateWhereIsADecodeOfItsOwn) {
  EXPECT_EQ(run_clause(parse_decode, cur, "status = 1 , 2").rc, 0);
  decode* own = cur->decodes;
  clause_result r = run_clause(parse_iterate_where, cur, "host = 'a' and ~= 'b'");
  EXPECT_EQ(r.rc, 0);
  EXPECT_TRUE(r.lines.empty());
  EXPECT_EQ(cur->decodes, own);  // the cursor's decodes are untouched
  EXPECT_EQ(own->next, nullptr);
  ASSERT_NE(cur->iterate_where, nullptr);
  decode* where = cur->iterate_where->where_ops;
  ASSERT_NE(where, nullptr);
  EXPECT_STREQ(where->column, "host");
  ASSERT_NE(where->ops, nullptr);
  EXPECT_EQ(where->ops->operatr, op_equal);
  EXPECT_EQ(std::string(where->ops->operator_, where->ops->operand_ll), "a");
  ASSERT_NE(where->ops->and_parts, nullptr);
  EXPECT_EQ(where->ops->and_parts->operatr, op_not_equal);
  // The blank string supplied as the replacement.
  EXPECT_EQ(where->ops->replacement_type, replacement_string);
  EXPECT_EQ(std::string(where->ops->replacement, where->ops->replacement_ll), " ");

  r = run_clause(parse_iterate_where, cur, "host = 'c'");
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.lines, lines{"PIT4475E Only one ITERATE_WHERE allowed per cursor"});
}

TEST_F(simple_clauses, IterateWhereRefusesABadCondition) {
  clause_result r = run_clause(parse_iterate_where, cur, "host ! 'a'");
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.lines, lines{"PDE3760E Invalid decode operator in host ! 'a' , ' '"});
  EXPECT_EQ(cur->iterate_where, nullptr);
  EXPECT_EQ(cur->decodes, nullptr);
}

}  // namespace
