// The decode clause: operators, operands, and-conditions, separators and
// replacements as they land in the records and the 512-byte text block, and
// every refusal with its whole message line.
#include "ctl/decode_clause.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "clause_fixture.h"
#include "ctl/clauses.h"
#include "std_capture.h"

namespace {

class decode_clause : public clause_test {};

TEST_F(decode_clause, AcceptedOperations) {
  auto rows = data_rows("ctl/clauses/decode_accepted.txt", 6);
  EXPECT_GT(rows.size(), 20u);
  for (const auto& row : rows) {
    SCOPED_TRACE(row[0]);
    curs fresh{};
    clause_result r = run_clause(parse_decode, &fresh, row[0]);
    ASSERT_EQ(r.rc, 0);
    EXPECT_EQ(r.lines, lines{});
    ASSERT_NE(fresh.decodes, nullptr);
    const decode_op* op = fresh.decodes->ops;
    std::vector<int64_t> want = data_ints(row[1]);  // op_num is a whole number in every row
    EXPECT_EQ(
        (std::vector<double>{1.0 * op->operatr, 1.0 * op->operand_type, op->op_num, 1.0 * op->bits,
                             1.0 * op->operand_ll, 1.0 * op->replacement_type,
                             1.0 * op->replacement_ll, 1.0 * (op->operator_ == op->text_block)}),
        std::vector<double>(want.begin(), want.end()));
    EXPECT_EQ(op->operator_ == nullptr, want[7] == 0);
    EXPECT_EQ((lines{op->operand_column, op->replacement_column}), (lines{row[2], row[3]}));
    EXPECT_EQ(op->replacement, op->text_block + OPERANDLL);
    std::string block(2 * OPERANDLL, ' ');
    for (const std::string& at : {row[4], row[5]}) {
      size_t blank = std::min(at.find(' '), at.size());
      if (blank < at.size())
        block.replace(std::stoul(at), at.size() - blank - 1, at.substr(blank + 1));
    }
    EXPECT_EQ(std::string(op->text_block, sizeof op->text_block), block);
    EXPECT_EQ(op->and_parts, nullptr);
  }
}

TEST_F(decode_clause, AndConditionsTestTheSameColumn) {
  ASSERT_EQ(
      run_clause(parse_decode, cur, "v > 10 and < 20 AND search 'x' and & 6 and ~= other , 'mid'")
          .rc,
      0);
  // Each part as "operatr operand_type op_num bits column|" and its 256-byte area.
  lines got;
  for (const part* p = cur->decodes->ops->and_parts; p != nullptr; p = p->next) {
    EXPECT_EQ(p->operator_, p->area);
    std::ostringstream text;
    text << p->operatr << ' ' << p->operand_type << ' ' << p->op_num << ' ' << p->bits << ' '
         << p->operand_column << '|' << std::string(p->area, sizeof p->area);
    got.push_back(text.str());
  }
  EXPECT_EQ(
      got, (lines{"3 1 20 0 |" + std::string(254, ' ') + "20",  // a number right-aligned
                  "9 2 0 0 |x" + std::string(255, ' '),         // a string left-aligned
                  "11 1 0 6 |" + std::string(256, ' '), "8 3 0 0 other|" + std::string(256, ' ')}));
  EXPECT_EQ(cur->decodes->ops->replacement_type, replacement_string);
}

TEST_F(decode_clause, OperationsGroupByColumnInStatementOrder) {
  for (const char* text : {"a = 1 , 'one'", "b = 1 , 'x'", "a = 2 , 'two'", "a DEFAULT 'many'"})
    ASSERT_EQ(run_clause(parse_decode, cur, text).rc, 0);
  const decode* a = cur->decodes;
  EXPECT_STREQ(a->column, "a");
  EXPECT_STREQ(a->next->column, "b");
  EXPECT_EQ(a->next->next, nullptr);
  std::vector<int16_t> ops;
  for (const decode_op* op = a->ops; op != nullptr; op = op->next) ops.push_back(op->operatr);
  EXPECT_EQ(ops, (std::vector<int16_t>{1, 1, 5}));
  EXPECT_EQ(std::string(a->ops->next->replacement, 3), "two");
}

}  // namespace
