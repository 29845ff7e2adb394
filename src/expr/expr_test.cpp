// Expressions end to end: texts to RPN (with every refusal and its message),
// evaluation over constants, working variables and the columns of real rows,
// hostile nesting and length, and random expressions checked against an
// evaluator written here.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "ctl/anchors.h"
#include "ctl/arena.h"
#include "ctl/curs.h"
#include "ctl_fixture.h"
#include "expr/expression.h"
#include "expr/interpreter.h"
#include "rows/row_chain.h"

namespace {

// The RPN of `text` as words ("u-" for the unary minus), or "none".
std::string rpn_words(const char* text, lines* msgs = nullptr) {
  lexeme* rpn = nullptr;
  lines got = captured([&] { rpn = parse_expression(text); });
  if (msgs) *msgs = got;
  if (!rpn) return "none";
  std::string out;
  for (int i = 0; rpn[i]; ++i) {
    if (!out.empty()) out += ' ';
    if (rpn[i]->entry_kind == ENTRY_TERM) {
      const TERM_TABLE* t = static_cast<TERM_TABLE*>(rpn[i]);
      out += t->cursor_name[0] ? std::string(t->cursor_name) + "." + t->text : t->text;
    } else if (rpn[i] == &OperationTable[OPX_NEG])
      out += "u-";
    else
      out += static_cast<OPER_ENTRY*>(rpn[i])->text;
  }
  free_lex_list(rpn);
  return out;
}

// The value text of `text` evaluated once, or "none".
std::string value_of(const char* text, lines* msgs = nullptr) {
  std::string out = "none";
  lines got = captured([&] {
    lexeme* rpn = parse_expression(text);
    if (TERM_TABLE* r = evaluate_copy(rpn)) {
      out = r->value;
      release_result(r);
    }
    free_lex_list(rpn);
  });
  if (msgs) *msgs = got;
  return out;
}

class expressions : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_process_state();
    open_lexer(nullptr);
  }
  void TearDown() override { reset_process_state(); }
};

TEST_F(expressions, TextsToRpn) {
  struct row {
    const char* text;
    const char* rpn;
    lines msgs;
  };
  const row rows[] = {
      {"a + b * c", "a b c * +", {}},               // precedence
      {"(a + b) * c", "a b + c *", {}},             // parentheses
      {"a - b - c", "a b - c -", {}},               // equal precedence is left-associative
      {"(NOT x = 1)", "x 1 = NOT", {}},             // NOT after '(' negates the comparison
      {"(-1)", "1 u-", {}},                         // the unary minus after '('
      {"x = (-1)", "x 1 u- =", {}},                 // a negative operand in parentheses
      {"SUM(a + b) * 2", "a b + SUM 2 *", {}},      // a function's entry follows its arguments
      {"q, SUM(v), rfa", "q v SUM rfa", {}},        // a select list: arguments in order
      {"c1.col_a = 'x';junk", "c1.col_a x =", {}},  // ';' ends; a qualified column
      {"'' = \"\"",
       "    =",  // empty strings: one blank term, reused
       {"LEX0390W Empty string, a blank assumed", "LEX0390W Empty string, a blank assumed"}},
      {".5 < 1", ".5 1 <", {}},                                // a number may start with '.'
      {"n LIKE 'a%' AND m <= 2", "n a% LIKE m 2 <= AND", {}},  // word operators
      {"", "", {}},                                            // empty: an empty list
      {"NOT x = 1",
       "none",
       {"LEX0090E Unknown operation x = 1 in expression",
        "LEX0005E If-condition parsing ended with error"}},
      {"-1",
       "none",
       {"LEX0130E Syntax error: invalid character sequence in expression",
        "LEX0005E If-condition parsing ended with error"}},
      {"a=-1",
       "none",
       {"LEX0090E Unknown operation =-1 in expression",
        "LEX0005E If-condition parsing ended with error"}},
      {"1.2.3",
       "none",
       {"LEX0345E Extra period in decimal number", "LEX0060E Term syntax error",
        "LEX0005E If-condition parsing ended with error"}},
      {"(a",
       "none",
       {"LEX0110E Unbalanced parentheses in expression",
        "LEX0005E If-condition parsing ended with error"}},
      {"a)",
       "none",
       {"LEX0045E Unbalanced parentheses in expression",
        "LEX0005E If-condition parsing ended with error"}},
      {"#",
       "none",
       {"LEX0015E Syntax error in expression", "LEX0005E If-condition parsing ended with error"}},
      {"a # b",
       "none",
       {"LEX0020E Unknown character type in expression",
        "LEX0005E If-condition parsing ended with error"}},
      {"a# b",
       "none",
       {"LEX0080E Unknown character type in expression", "LEX0060E Term syntax error",
        "LEX0005E If-condition parsing ended with error"}},
      {"'abc",
       "none",
       {"LEX0410E Expression end encountered before string end", "LEX0060E Term syntax error",
        "LEX0005E If-condition parsing ended with error"}},
      {"FOO(1)",
       "none",
       {"LEX0260E Unknown function FOO in expression", "LEX0060E Term syntax error",
        "LEX0005E If-condition parsing ended with error"}},
      // A failed argument list fails its call and the term holding it.
      {"SUM(1 +)",
       "none",
       {"LEX0130E Syntax error: invalid character sequence in expression",
        "LEX0300E function argument expression syntax error", "LEX0060E Term syntax error",
        "LEX0005E If-condition parsing ended with error"}},
      {"SUM(1 # 2)",
       "none",
       {"LEX0020E Unknown character type in expression",
        "LEX0300E function argument expression syntax error", "LEX0060E Term syntax error",
        "LEX0005E If-condition parsing ended with error"}},
      {"SUM(1.2.3)",
       "none",
       {"LEX0345E Extra period in decimal number", "LEX0060E Term syntax error",
        "LEX0300E function argument expression syntax error", "LEX0060E Term syntax error",
        "LEX0005E If-condition parsing ended with error"}},
      {"SUM(ROW(1 +))",  // each open call fails, the innermost first
       "none",
       {"LEX0130E Syntax error: invalid character sequence in expression",
        "LEX0300E function argument expression syntax error", "LEX0060E Term syntax error",
        "LEX0300E function argument expression syntax error", "LEX0060E Term syntax error",
        "LEX0005E If-condition parsing ended with error"}},
      {"(--1)",
       "none",
       {"LEX0090E Unknown operation in expression",
        "LEX0005E If-condition parsing ended with error"}},
      {"abcdefghi.x = 1",
       "none",
       {"LEX0180E Cursor name abcdefghi is longer than MAX_CURSOR_LEN",
        "LEX0060E Term syntax error", "LEX0005E If-condition parsing ended with error"}},
      {". = 1",
       "none",
       {"LEX0350E Syntax error, a number expected", "LEX0060E Term syntax error",
        "LEX0005E If-condition parsing ended with error"}},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.text);
    lines msgs;
    EXPECT_EQ(rpn_words(r.text, &msgs), r.rpn);
    EXPECT_EQ(msgs, r.msgs);
  }
}

TEST_F(expressions, IdenticalTermsAreOneTerm) {
  lexeme* rpn = nullptr;
  captured([&] { rpn = parse_expression("a + A + 'x' + 'x' + 1 + 1 + 1.0 + c.d + C.D + \"x\""); });
  ASSERT_NE(rpn, nullptr);
  int count = 0;
  for (TERM_TABLE* t = get_lex_term_tb_anchor(); t; t = t->next) ++count;
  EXPECT_EQ(count, 5);  // a, 'x', 1, 1.0 (another kind), c.d
  EXPECT_EQ(rpn[0], rpn[1]);
  free_lex_list(rpn);
}

TEST_F(expressions, Evaluations) {
  struct row {
    const char* text;
    const char* value;
    lines msgs;
  };
  const char* fail = "INT0030E Operation %s failed";
  auto failed = [&](const char* op) {
    char buf[64];
    snprintf(buf, sizeof buf, fail, op);
    return std::string(buf);
  };
  const row rows[] = {
      {"1.5 = 1.2", "0", {}},  // doubles compared
      {"1.5 > 1.2", "1", {}},
      {"'B' < 'AA'", "1", {}},          // the shorter string is less
      {"'ab' = 'ab   '", "1", {}},      // trailing blanks do not count
      {"'ab' = 'AB'", "0", {}},         // letter case counts
      {"'12' = 12", "1", {}},           // a numeric text against a number
      {"'abcab' LIKE '%ab'", "0", {}},  // only the first occurrence is tried
      {"'abc' LIKE 'a_c'", "1", {}},
      {"'abc' LIKE 'a%'", "1", {}},
      {"'abc' LIKE 'ab'", "0", {}},
      {"'abc' LIKE '_b_'", "1", {}},
      {"'abc' LIKE 'abc_'", "0", {}},  // a trailing '_' needs one more character
      {"7 / 2", "3.500000", {}},       // division is always double
      {"7 - 2.5", "4.500000", {}},     // the right-hand operand is a double
      {"2.5 + 3", "5", {}},            // ... an integer: 5.5 is truncated
      {"(-7) * 2", "-14", {}},
      {"(-2.5)", "-2.500000", {}},
      {"x := 0", "0", {}},  // assignment yields whether the value is non-zero
      {"y := 'a'", "1", {}},
      {"(z := 4) AND z * 2 = 8", "1", {}},  // the variable keeps its value
      {"1 OR 0", "1", {}},
      {"(NOT 0.0)", "1", {}},
      {"1 AND 0 OR 1", "1", {}},
      {"func2(2, 3)", "5", {}},      // placeholder functions
      {"99999999999 > 1", "1", {}},  // too large for 32 bits: kept as a double
      {"1 / 0", "none", {"INT0340E Can not divide by 0", failed("/")}},
      {"'a' AND 1",
       "none",
       {"INT0160E Arguments for AND operation must be I_NUMERIC", failed("AND")}},
      {"'a' OR 1", "none", {"INT0150E Arguments for OR operation must be I_NUMERIC", failed("OR")}},
      {"(NOT 'a')", "none", {"INT0170E Argument for NOT operation must be numeric", failed("NOT")}},
      {"'a' = 1",
       "none",
       {"INT0190E Arguments for COMPARE operation are incomparable", failed("=")}},
      {"1 = 'a'",
       "none",
       {"INT0210E Arguments for COMPARE operation are incomparable", failed("=")}},
      {"'a' + 1",
       "none",
       {"INT0315E Can't convert argument a to numeric for an arithmetic operation", failed("+")}},
      {"(k := 1) AND (k := 'q')",
       "none",
       {"INT0270E Argument q value can not be converted into number", failed(":=")}},
      {"%nope = 1",
       "none",
       {"INT0520E Variable %nope not found", "INT0052E Term edit failed", failed("=")}},
      {"zz.col = 1",
       "none",
       {"INT0500E Cursor zz not found for column col", "INT0052E Term edit failed", failed("=")}},
      {"a", "none", {}},  // a single term: no operation, no result
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.text);
    lines msgs;
    EXPECT_EQ(value_of(r.text, &msgs), r.value);
    EXPECT_EQ(msgs, r.msgs);
  }
}

// A cursor with two rows of real text rows: a character column and a Number
// column; the condition reads the current row.
TEST_F(expressions, ColumnsOfTheCurrentRow) {
  curs* c = cursor_arena().make<curs>();
  memcpy(c->cur_name, "SRC", 3);
  anchors.cur_anchor = c;
  columns* name = cursor_arena().make<columns>();
  columns* cpu = cursor_arena().make<columns>();
  strcpy(name->name, "name");
  name->fmt_len = 6;
  name->orig_type = 1;
  strcpy(cpu->name, "cpu");
  cpu->offset = 7;
  cpu->fmt_len = 5;
  cpu->orig_type = 2;
  name->next = cpu;
  c->column_list = name;
  for (const char* text : {"db1   \0   42", "db22  \0  7.5"}) {
    text_row* r = alloc_text_row(13);
    memcpy(r->text(), text, 12);
    append_row(c, r);
  }
  set_current_cursor(c);
  lines msgs;
  EXPECT_EQ(value_of("cpu < 10 AND name = 'db22'", &msgs), "1");
  EXPECT_EQ(msgs, lines{});
  EXPECT_EQ(value_of("SRC.cpu * 2"), "15");  // the right-hand operand is an integer
  c->current_row = c->first_row;
  EXPECT_EQ(value_of("cpu = 42 AND name LIKE 'db_'"), "1");
  // A character value keeps its trailing blanks: it is no number.
  EXPECT_EQ(value_of("name = 1", &msgs), "none");
  EXPECT_EQ(msgs[0], "INT0190E Arguments for COMPARE operation are incomparable");
  EXPECT_EQ(value_of("SRC.nothere = 1", &msgs), "none");
  EXPECT_EQ(msgs[0], "INT0510E Column nothere not found for cursor SRC");
  set_current_cursor(nullptr);
}

TEST_F(expressions, HostileTextsEndWithAMessage) {
  struct row {
    std::string text;
    const char* first_msg;  // null: parses
  };
  std::string deep = std::string(900, '(') + "1" + std::string(900, ')');
  std::string deeper = std::string(5000, '(') + "1" + std::string(5000, ')');
  std::string calls;
  for (int i = 0; i < 600; ++i) calls += "SUM(";
  calls += "1" + std::string(600, ')');
  std::string terms_2000 = "1";
  for (int i = 0; i < 999; ++i) terms_2000 += "+1";  // 1999 lexemes
  const row rows[] = {
      {deep, nullptr},                                         // 1801 lexemes
      {deeper, "LEX0050E Expression is too long"},             // 2001st '('
      {calls, nullptr},                                        // nested calls, no recursion
      {terms_2000 + "+1", "LEX0360E Expression is too long"},  // 2001 lexemes
      {terms_2000 + "+", "LEX0130E Syntax error: invalid character sequence in expression"},
      {std::string(3000, 'x'), "LEX0060E Term syntax error"},  // a name of 3000 letters
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.text.substr(0, 20));
    lines msgs;
    std::string rpn = rpn_words(r.text.c_str(), &msgs);
    if (!r.first_msg) {
      EXPECT_NE(rpn, "none");
      EXPECT_EQ(msgs, lines{});
    } else {
      EXPECT_EQ(rpn, "none");
      ASSERT_FALSE(msgs.empty());
      EXPECT_EQ(msgs[0], r.first_msg);
    }
  }
  EXPECT_EQ(value_of((terms_2000).c_str()), "1000");
  EXPECT_EQ(value_of(deep.c_str()), "none");  // a single term
}

// An evaluator of the same integer grammar written independently: recursive
// descent over + - * comparisons AND OR with the left-to-right rules.
struct reference {
  const char* p;
  long expr() {  // OR level
    long v = conj();
    while (word("OR")) v = (conj() != 0) | (v != 0);
    return v;
  }
  long conj() {
    long v = cmp();
    while (word("AND")) {
      long w = cmp();
      v = (v != 0) && (w != 0);
    }
    return v;
  }
  long cmp() {
    long v = sum();
    for (;;) {
      if (sym("<="))
        v = v <= sum();
      else if (sym(">="))
        v = v >= sum();
      else if (sym("^="))
        v = v != sum();
      else if (sym("<"))
        v = v < sum();
      else if (sym(">"))
        v = v > sum();
      else if (sym("="))
        v = v == sum();
      else
        return v;
    }
  }
  long sum() {
    long v = prod();
    for (;;) {
      if (sym("+"))
        v += prod();
      else if (sym("-"))
        v -= prod();
      else
        return v;
    }
  }
  long prod() {
    long v = atom();
    while (sym("*")) v *= atom();
    return v;
  }
  bool negate = false;  // a unary minus after '(' takes the next number only
  long atom() {
    if (sym("(")) {
      negate = sym("-");
      long v = expr();
      sym(")");
      return v;
    }
    skip();
    long v = strtol(p, const_cast<char**>(&p), 10);
    if (negate) v = -v, negate = false;
    return v;
  }
  void skip() {
    while (*p == ' ') ++p;
  }
  bool sym(const char* s) {
    skip();
    if (strncmp(p, s, strlen(s)) != 0) return false;
    p += strlen(s);
    return true;
  }
  bool word(const char* s) { return sym(s); }
};

TEST_F(expressions, RandomExpressionsAgreeWithAReference) {
  std::mt19937 gen(17);
  const char* ops[] = {" + ", " - ", " * ", " < ", " = ", " >= ", " AND ", " OR ", " ^= "};
  for (int round = 0; round < 300; ++round) {
    std::string text;
    int terms_left = 2 + static_cast<int>(gen() % 6);
    int open = 0;
    for (int i = 0; i < terms_left; ++i) {
      if (i) text += ops[gen() % 9];
      if (gen() % 4 == 0) {
        text += gen() % 2 ? "(-" : "(";
        ++open;
      }
      text += std::to_string(gen() % 10);
      if (open && gen() % 3 == 0) {
        text += ")";
        --open;
      }
    }
    text += std::string(static_cast<size_t>(open), ')');
    SCOPED_TRACE(text);
    reference ref{text.c_str()};
    std::string got = value_of(text.c_str());
    // A text without operation gives no result; "(-n)" alone has one.
    if (got == "none") continue;
    EXPECT_EQ(got, std::to_string(ref.expr()));
  }
}

}  // namespace
