// Expressions end to end: texts to RPN (with every refusal and its message),
// evaluation over constants, working variables and the columns of real rows,
// hostile nesting and length, and random expressions checked against an
// evaluator written here.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
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

// The lines, each ended by a newline.
std::string joined(const lines& all) {
  std::string out;
  for (const std::string& l : all) out += l + "\n";
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

// Rows of tests/data/expr/rpn.txt.
TEST_F(expressions, TextsToRpn) {
  auto rows = data_rows("expr/rpn.txt", 3);
  EXPECT_GT(rows.size(), 25u);
  for (const auto& row : rows) {
    SCOPED_TRACE(row[0]);
    lines msgs;
    EXPECT_EQ(rpn_words(row[0].c_str(), &msgs), row[1]);
    EXPECT_EQ(joined(msgs), row[2]);
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

// Rows of tests/data/expr/values.txt.
TEST_F(expressions, Evaluations) {
  auto rows = data_rows("expr/values.txt", 3);
  EXPECT_GT(rows.size(), 30u);
  for (const auto& row : rows) {
    SCOPED_TRACE(row[0]);
    lines msgs;
    EXPECT_EQ(value_of(row[0].c_str(), &msgs), row[1]);
    EXPECT_EQ(joined(msgs), row[2]);
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
    EXPECT_EQ(rpn_words(r.text.c_str(), &msgs) == "none", r.first_msg != nullptr);
    EXPECT_EQ(msgs.empty() ? "" : msgs[0], r.first_msg ? r.first_msg : "");  // none when parsed
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
    while (sym("OR")) v = (conj() != 0) | (v != 0);
    return v;
  }
  long conj() {
    long v = cmp();
    while (sym("AND")) {
      long w = cmp();
      v = (v != 0) && (w != 0);
    }
    return v;
  }
  long cmp() {
    long v = sum();
    for (int op; (op = one_of({"<=", ">=", "^=", "<", ">", "="})) >= 0;) {
      long w = sum();
      const bool results[] = {v <= w, v >= w, v != w, (v < w), (v > w), v == w};
      v = results[op];
    }
    return v;
  }
  long sum() {
    long v = prod();
    for (int op; (op = one_of({"+", "-"})) >= 0;) v += op ? -prod() : prod();
    return v;
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
  // The index of the first of `ops` that comes next (and is taken), or -1.
  int one_of(std::initializer_list<const char*> ops) {
    int i = 0;
    for (const char* s : ops) {
      if (sym(s)) return i;
      ++i;
    }
    return -1;
  }
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
