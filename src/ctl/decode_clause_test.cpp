// The decode clause: operators, operands, and-conditions, separators and
// replacements as they land in the records and the 512-byte text block, and
// every refusal with its whole message line.
#include "ctl/decode_clause.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clause_fixture.h"
#include "ctl/clauses.h"
#include "util/trace.h"

namespace {

using lines = std::vector<std::string>;

class decode_clause : public clause_test {};

// The 512-byte block a decode operation should hold: blanks with the given
// operand and replacement texts placed at their offsets.
std::string block(int operand_at, const std::string& operand, int replacement_at,
                  const std::string& replacement) {
  std::string b(2 * OPERANDLL, ' ');
  b.replace(operand_at, operand.size(), operand);
  b.replace(replacement_at, replacement.size(), replacement);
  return b;
}

struct accepted {
  std::string text;
  int16_t operatr, operand_type;
  double op_num;
  int64_t bits;
  std::string operand_column;
  bool has_operand_text;
  int16_t operand_ll, replacement_type, replacement_ll;
  std::string replacement_column;
  std::string text_block;
};

TEST_F(decode_clause, AcceptedOperations) {
  const std::string col49(49, 'c');
  const std::string text256(256, 't');
  // clang-format off
  const accepted rows[] = {
      // a string operand and a string replacement, both left-aligned in their areas
      {"status = 'A' , 'Active'", 1, 2, 0, 0, "", true, 1, 2, 6, "", block(0, "A", 256, "Active")},
      // DEFAULT needs no separator; the word after it is the replacement
      {"status DEFAULT 'Unknown'", 5, 0, 0, 0, "", false, 0, 2, 7, "", block(0, "", 256, "Unknown")},
      {"status null 0", 4, 0, 0, 0, "", false, 0, 1, 1, "", block(0, "", 511, "0")},
      // numbers end at the end of their areas
      {"v > 10 , 1.5", 2, 1, 10, 0, "", true, 2, 1, 3, "", block(254, "10", 509, "1.5")},
      {"v < -3 , 'neg'", 3, 1, -3, 0, "", true, 2, 2, 3, "", block(254, "-3", 256, "neg")},
      {"v >= 1e3 , 'k'", 6, 1, 1000, 0, "", true, 3, 2, 1, "", block(253, "1e3", 256, "k")},
      {"v <= 0 , 'z'", 7, 1, 0, 0, "", true, 1, 2, 1, "", block(255, "0", 256, "z")},
      {"v ~= 'x' , 'y'", 8, 2, 0, 0, "", true, 1, 2, 1, "", block(0, "x", 256, "y")},
      // the & operand is a 64-bit integer with no text
      {"v & 12 , 'odd'", 11, 1, 0, 12, "", false, 0, 2, 3, "", block(0, "", 256, "odd")},
      {"v & 9223372036854775807 , 1", 11, 1, 0, INT64_MAX, "", false, 0, 1, 1, "", block(0, "", 511, "1")},
      {"v search 'abc' , 'hit'", 9, 2, 0, 0, "", true, 3, 2, 3, "", block(0, "abc", 256, "hit")},
      {"v SEARCH 'ab' , 'hit'", 9, 2, 0, 0, "", true, 2, 2, 3, "", block(0, "ab", 256, "hit")},
      // after in, a name is an in-list reference; otherwise a column
      {"v in SRC.L1 , 'in'", 10, 5, 0, 0, "SRC.L1", false, 0, 2, 2, "", block(0, "", 256, "in")},
      {"v IN 'a' , 'in'", 10, 2, 0, 0, "", true, 1, 2, 2, "", block(0, "a", 256, "in")},
      {"v = " + col49 + " , 1", 1, 3, 0, 0, col49, false, 0, 1, 1, "", block(0, "", 511, "1")},
      // column replacements, "run" marks a cursor to run
      {"v = 1 , other", 1, 1, 1, 0, "", true, 1, 3, 0, "other", block(255, "1", 0, "")},
      {"v = 1 run NEXTCUR", 1, 1, 1, 0, "", true, 1, 4, 0, "NEXTCUR", block(255, "1", 0, "")},
      {"v = 1 RUN " + col49, 1, 1, 1, 0, "", true, 1, 4, 0, col49, block(255, "1", 0, "")},
      {"v = 1 run 'str'", 1, 1, 1, 0, "", true, 1, 2, 3, "", block(255, "1", 256, "str")},
      // texts up to the area's size; an empty string; a doubled quote kept as written
      {"v = '" + text256 + "' , '" + text256 + "'", 1, 2, 0, 0, "", true, 256, 2, 256, "", block(0, text256, 256, text256)},
      {"v = '' , 'it''s'", 1, 2, 0, 0, "", true, 0, 2, 5, "", block(0, "", 256, "it''s")},
      {"v = \"dq\" , 2", 1, 2, 0, 0, "", true, 2, 1, 1, "", block(0, "dq", 511, "2")},
  };
  // clang-format on
  for (const accepted& row : rows) {
    SCOPED_TRACE(row.text);
    curs fresh{};
    clause_result r = run_clause(parse_decode, &fresh, row.text);
    ASSERT_EQ(r.rc, 0);
    EXPECT_EQ(r.lines, lines{});
    ASSERT_NE(fresh.decodes, nullptr);
    const decode_op* op = fresh.decodes->ops;
    EXPECT_EQ((std::vector<int64_t>{op->operatr, op->operand_type, op->bits, op->operand_ll,
                                    op->replacement_type, op->replacement_ll}),
              (std::vector<int64_t>{row.operatr, row.operand_type, row.bits, row.operand_ll,
                                    row.replacement_type, row.replacement_ll}));
    EXPECT_DOUBLE_EQ(op->op_num, row.op_num);
    EXPECT_EQ(op->operand_column, row.operand_column);
    EXPECT_EQ(op->replacement_column, row.replacement_column);
    EXPECT_EQ(op->operator_, row.has_operand_text ? op->text_block : nullptr);
    EXPECT_EQ(op->replacement, op->text_block + OPERANDLL);
    EXPECT_EQ(std::string(op->text_block, sizeof op->text_block), row.text_block);
    EXPECT_EQ(op->and_parts, nullptr);
  }
}

TEST_F(decode_clause, AndConditionsTestTheSameColumn) {
  ASSERT_EQ(
      run_clause(parse_decode, cur, "v > 10 and < 20 AND search 'x' and & 6 and ~= other , 'mid'")
          .rc,
      0);
  struct want {
    int16_t operatr, operand_type;
    double op_num;
    int64_t bits;
    std::string column, area;
  } parts[] = {
      {3, 1, 20, 0, "", std::string(254, ' ') + "20"},
      {9, 2, 0, 0, "", "x" + std::string(255, ' ')},
      {11, 1, 0, 6, "", std::string(256, ' ')},
      {8, 3, 0, 0, "other", std::string(256, ' ')},
  };
  const part* p = cur->decodes->ops->and_parts;
  for (const want& w : parts) {
    ASSERT_NE(p, nullptr);
    EXPECT_EQ((std::vector<int64_t>{p->operatr, p->operand_type, p->bits}),
              (std::vector<int64_t>{w.operatr, w.operand_type, w.bits}));
    EXPECT_DOUBLE_EQ(p->op_num, w.op_num);
    EXPECT_EQ(p->operand_column, w.column);
    EXPECT_EQ(p->operator_, p->area);
    EXPECT_EQ(std::string(p->area, sizeof p->area), w.area);
    p = p->next;
  }
  EXPECT_EQ(p, nullptr);
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

// The trace lines that depend on the operation; the others print a field as it is.
TEST_F(decode_clause, TraceShowsTheOperation) {
  tracing.trace_something = 1;  // set with traced while the cursor file is read
  cur->traced = 1;
  clause_result with = run_clause(parse_decode, cur, "v > 10 and < 20 , 'mid'");
  clause_result without = run_clause(parse_decode, cur, "v DEFAULT ''");
  ASSERT_EQ(with.lines.size(), 13u);
  ASSERT_EQ(without.lines.size(), 13u);
  EXPECT_EQ((lines{with.lines[5], with.lines[9], with.lines[11], without.lines[5], without.lines[9],
                   without.lines[11]}),
            (lines{"PDE3835T Decode_op->operator = 10", "PDE3855T Decode_op->replacement = mid",
                   "PDE3865T Has and text", "PDE3835T No operand", "PDE3855T No replacement",
                   "PDE3865T Has no and text"}));
}

}  // namespace
