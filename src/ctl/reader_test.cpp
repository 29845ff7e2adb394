// The statement reader: the tokeniser's words and errors, statement assembly
// from lines, syntax-error texts, word lists, parenthesised text and the
// search for control files.
#include "ctl/reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "ctl/ctl_file.h"
#include "ctl/keywords.h"
#include "ctl_fixture.h"
#include "util/trace.h"

namespace {

using lines = std::vector<std::string>;

struct expected_word {
  std::string text;
  uint16_t flags;
  uint16_t num_flags;
  int16_t exp;
};

struct tokeniser_case {
  const char* input;
  std::vector<expected_word> words;
  const char* error;  // reader.message after the last word, or null
};

// clang-format off
const tokeniser_case tokeniser_cases[] = {
    {"a>=b", {{"a", 0, 0, 0}, {">=", wf_compare, 0, 0}, {"b", 0, 0, 0}}, nullptr},  // two-char operator
    {"x||y", {{"x", 0, 0, 0}, {"||", wf_concat, 0, 0}, {"y", 0, 0, 0}}, nullptr},  // concatenation
    {"x|y", {{"x", 0, 0, 0}, {"|", 0, 0, 0}, {"y", 0, 0, 0}}, nullptr},  // a lone bar has no flag
    {"a~=b <> c", {{"a", 0, 0, 0}, {"~=", wf_compare, 0, 0}, {"b", 0, 0, 0}, {"<>", wf_compare, 0, 0}, {"c", 0, 0, 0}}, nullptr},  // not-equal forms
    {":name", {{"name", wf_host_var, 0, 0}}, nullptr},  // host variable
    {": name", {{"name", wf_host_var, 0, 0}}, nullptr},  // blanks after the colon
    {"a:b", {{"a", 0, 0, 0}, {"b", wf_host_var, 0, 0}}, nullptr},  // a colon ends a word
    {":AVG!INT!cpu^12", {{"AVG!INT!cpu^12", wf_host_var, 0, 0}}, nullptr},  // prefixes stay in the word
    {":a-b*c", {{"a-b*c", wf_host_var, 0, 0}}, nullptr},  // arithmetic is part of a host variable
    {"a-b", {{"a", 0, 0, 0}, {"-", wf_arith, 0, 0}, {"b", 0, 0, 0}}, nullptr},  // but ends a name
    {":nvl(x) z", {{"nvl(x)", wf_host_var, 0, 0}, {"z", 0, 0, 0}}, nullptr},  // counted parentheses
    {"'it''s'", {{"'it''s'", wf_literal, nf_single, 0}}, nullptr},  // the quote closes and reopens
    {"\"a b\",c", {{"\"a b\"", wf_literal, nf_double, 0}, {",", wf_comma, 0, 0}, {"c", 0, 0, 0}}, nullptr},  // double quotes
    {"\x0e" "ab cd\x0f", {{"\x0e" "ab cd\x0f", wf_literal, 0, 0}}, nullptr},  // DBCS stretch
    {"x 'abc", {{"x", 0, 0, 0}}, "Syntax error - Position = 3 Missing an ending \" or ' within max word length, Text = 'abc   " " "},  // unterminated quote
    {"\x0e" "ab", {}, "Syntax error - Missing an ending SHIFT_IN within max word length, Text = \x0e" "ab    "},  // no shift-in
    {"1.5E-3", {{"1.5E-3", wf_literal, nf_numeric | nf_decimal | nf_exponent, -3}}, nullptr},  // exponent
    {"1.5 e3", {{"1.5 E3", wf_literal, nf_numeric | nf_decimal | nf_exponent, 3}}, nullptr},  // blank before a rewritten e
    {"10 each", {{"10", wf_literal, nf_numeric, 0}, {"Each", 0, 0, 0}}, nullptr},  // the e is rewritten without an exponent
    {"2E0", {{"2E0", wf_literal, nf_numeric | nf_exponent, 0}}, nullptr},  // a zero exponent keeps exp 0
    {"1.2.3", {{"1.2", wf_literal, nf_numeric | nf_decimal, 0}, {".3", wf_literal, nf_numeric | nf_decimal, 0}}, nullptr},  // second period
    {"-5", {{"-5", wf_literal, nf_numeric, 0}}, nullptr},  // signed number
    {"- 5", {{"-", wf_arith, 0, 0}, {"5", wf_literal, nf_numeric, 0}}, nullptr},  // lone minus
    {"+.5*2", {{"+.5", wf_literal, nf_numeric | nf_decimal, 0}, {"*", wf_arith, 0, 0}, {"2", wf_literal, nf_numeric, 0}}, nullptr},  // sign and period
    {"12ab,3", {{"12ab", wf_literal, nf_numeric, 0}, {",", wf_comma, 0, 0}, {"3", wf_literal, nf_numeric, 0}}, nullptr},  // letters stay in a number
    {"t.*", {{"t.*", wf_period | wf_all_cols, 0, 0}}, nullptr},  // qualified all-columns
    {"s.tab", {{"s.tab", wf_period, 0, 0}}, nullptr},  // qualified name
    {"(a)", {{"(", wf_paren, 0, 0}, {"a", 0, 0, 0}, {")", wf_paren, 0, 0}}, nullptr},  // parentheses
    {"f(x", {{"f", 0, 0, 0}, {"(", wf_paren, 0, 0}, {"x", 0, 0, 0}}, nullptr},  // '(' ends a name
    {"a )", {{"a", 0, 0, 0}}, "Syntax error - Position = 3 Right parenthesis without preceeding Left parenthesis, Text = " ")"},  // unbalanced
    {"a\tb", {{"a\tb", 0, 0, 0}}, nullptr},  // a tab is an ordinary character
    {"x :", {{"x", 0, 0, 0}}, "Syntax error - Position = 3 Missing host variable name after ':'"},  // empty host variable
};
// clang-format on

TEST(Tokeniser, CutsWordsWithFlags) {
  for (const tokeniser_case& c : tokeniser_cases) {
    SCOPED_TRACE(c.input);
    reset_reader_state();
    std::string text = std::string(c.input) + "    ";
    memcpy(reader.buffer, text.c_str(), text.size() + 1);
    char* at = reader.buffer;
    size_t k = 0;
    int n;
    while ((n = get_word(at, reader.buffer + text.size())) > 0) {
      ASSERT_LT(k, c.words.size()) << "extra word";
      const word_info& w = reader.parse_word;
      const expected_word& e = c.words[k];
      EXPECT_EQ(std::string(w.str, w.len), e.text);
      EXPECT_EQ((std::vector<int>{w.flags, w.num_flags, w.exp, w.pos, reader.this_len}),
                (std::vector<int>{e.flags, e.num_flags, e.exp,
                                  static_cast<int>(w.str - reader.buffer), n}));
      at += n;
      ++k;
    }
    EXPECT_EQ(k, c.words.size());
    EXPECT_EQ(n, c.error ? -1 : 0);
    EXPECT_EQ(reader.failed, c.error ? 1 : 0);
    if (c.error) {
      EXPECT_STREQ(reader.message, c.error);
    }
  }
}

TEST(SimpleGetWord, CutsScriptParameters) {
  struct row {
    const char* input;
    std::vector<std::pair<std::string, uint16_t>> words;
  };
  const row rows[] = {
      {"a b,c", {{"a", 0}, {"b", 0}, {"c", 0}}},  // blanks and commas separate
      {" 'x y' , \"z\"",
       {{"'x y'", wf_comma}, {"\"z\"", wf_comma}}},   // quoted words keep their quotes
      {"\tab\tc", {{"\tab\t", wf_comma}, {"c", 0}}},  // a tab quotes too
      {"'open", {{"'open", wf_comma}}},               // unterminated: runs to the end
      {"'", {}},                                      // a quote alone is no word
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.input);
    std::string text = r.input;
    char* at = text.data();
    std::vector<std::pair<std::string, uint16_t>> got;
    for (int n; (n = simple_get_word(at, text.data() + text.size())) > 0; at += n)
      got.emplace_back(std::string(reader.parse_word.str, reader.parse_word.len),
                       reader.parse_word.flags);
    EXPECT_EQ(got, r.words);
  }
}

TEST(Errmsg, ComposesPositionAndTextWithinTheMessage) {
  reset_reader_state();
  EXPECT_EQ(errmsg("No text", "word", 0, 0), -1);
  EXPECT_STREQ(reader.message, "Syntax error - No text");
  EXPECT_EQ(reader.failed, 1);
  std::string long_word(400, 'w');
  errmsg("Long", long_word.c_str(), 400, 9);
  EXPECT_EQ(std::string(reader.message),  // cut to the message's capacity
            "Syntax error - Position = 10 Long, Text = " + std::string(256 - 42, 'w'));
}

TEST(WordLists, LooksUpWithOptions) {
  const char* list[] = {"ab", "abc", "b", "", "zz"};
  const char* sorted[] = {"aa", "ac", "ad"};
  struct row {
    const char* text;
    const char* const* list;
    int count, options, result;
  };
  const row rows[] = {
      {"abc", list, 5, 0, 2},   // plain match
      {"ABC", list, 5, 0, 2},   // case-insensitive by default
      {"ABC", list, 5, 1, 0},   // case-sensitive
      {"zz", list, 5, 0, 0},    // an empty entry ends the list
      {"b", list, 2, 0, 0},     // the count limits the walk
      {"b", list, 0, 0, 3},     // a count below 1 means 99
      {"ab", sorted, 3, 2, 0},  // sorted: "ac" is greater, the walk stops
      {"ad", sorted, 3, 2, 3},  // sorted: found at the end
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(u_test_word(r.text, static_cast<int>(strlen(r.text)), r.list, r.count, r.options),
              r.result);
  }
  // Keyword spellings the control-file tables do not reach.
  EXPECT_EQ(test_word("inserts", 7), 0);                 // equal length required
  EXPECT_EQ(distrib_key_word("SATURDAY_start", 14), 0);  // neither as listed nor upper case
}

class Reader : public ctl_test {
 protected:
  // Reads every statement of `text` (read in lines of line_size bytes).
  lines statements_of(const std::string& text, int line_size, int* last = nullptr) {
    unique_file f(fopen(write_file("x.ctl", text).c_str(), "r"));
    statement_source src(f.get(), line_size);
    lines out;
    int rc;
    while ((rc = src.next()) == 1) {
      EXPECT_EQ(reader.this_start, reader.buffer);
      out.emplace_back(reader.buffer, reader.statement_end);
    }
    if (last) *last = rc;
    return out;
  }
};

TEST_F(Reader, WOParensCopiesTheParenthesisedText) {
  std::vector<int> rc;
  std::string far = "x" + std::string(3100, ' ') + "(a)";
  std::string wide = "(" + std::string(3100, 'a') + ")";
  lines got = captured([&] {
    for (const char* text : {"uuidbase(0001-aa) rest", "uuidbase 0001", "uuidbase(0001",
                             far.c_str(), wide.c_str()})  // beyond the first 3,100 characters
      rc.push_back(w_o_parens(text));
  });
  EXPECT_EQ(rc, (std::vector<int>{7, 0, 0, 0, 0}));
  EXPECT_EQ(got, (lines{"CAT1925E No opening parenthesis", "CAT1930E No ending parenthesis",
                        "CAT1925E No opening parenthesis", "CAT1930E No ending parenthesis"}));
}

TEST_F(Reader, StatementAssemblyJoinsLinesAndDropsComments) {
  struct row {
    std::string text;
    lines statements;
  };
  const std::string line260 = "a " + std::string(260, 'b') + ";\n";
  const row rows[] = {
      {"cursor A;\n", {"cursor A    "}},  // one statement, four blanks appended
      {"insert into T\n   (a, b)\n values (:a, :b); lost\n",
       {"insert into T (a, b) values (:a, :b)    "}},  // joined with single blanks
      {";; comment\ncursor A;\n", {"cursor A    "}},   // comment line
      {"a\n;x;\nb;\n", {"a b    "}},                   // a comment line inside a statement
      {"insert_where name = 'a;b';\n", {"insert_where name = 'a    "}},  // ';' ignores quotes
      {"  ;\nend;\n", {"    ", "end    "}},                              // an empty statement
      {"a\r\nb;\r\n", {"a b    "}},                                      // CR LF line ends
      {"a;\nb", {"a    "}},       // a last statement without ';' is not returned
      {"x\n\ny;", {"x  y    "}},  // an empty line adds its blank
      // 255 characters per read: the rest of the line continues after one blank.
      {line260, {"a " + std::string(253, 'b') + " " + std::string(7, 'b') + "    "}},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(statements_of(r.text, 256), r.statements);
  }
  EXPECT_EQ(statements_of(line260, 500), lines{"a " + std::string(260, 'b') + "    "});
}

TEST_F(Reader, StatementAssemblyRefusesStatementsLongerThanTheBuffer) {
  // Lines of 200 characters joined with blanks: 79 lines and 15,995 - 79 * 200
  // more characters fill the buffer; one character more is refused.
  std::string lines79;
  for (int i = 0; i < 79; ++i) lines79 += std::string(199, 'x') + "\n";
  int rc = 0;
  lines got = statements_of(lines79 + std::string(15995 - 79 * 200, 'y') + ";\n", 256, &rc);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].size(), 15999u);
  EXPECT_EQ(rc, 0);
  got = statements_of(lines79 + std::string(15996 - 79 * 200, 'y') + ";\nend;\n", 256, &rc);
  EXPECT_EQ(got, lines{});
  EXPECT_EQ(rc, -1);
  EXPECT_EQ(
      std::string(reader.message),
      "Syntax error - Statement longer than 15995 characters, Text = " + std::string(40, 'x'));
}

TEST_F(Reader, ControlFileSearchTriesDirectoriesAndPrefixesInOrder) {
  std::string h = dir_ + "/home", c = dir_ + "/ctl";
  for (const std::string& d : {h, h + "/S1", c}) mkdir(d.c_str(), 0700);
  env_vars.coll_home = env_store(h);
  env_vars.ctl_home = env_store(c);
  env_vars.serverid = env_store("S1");
  env_vars.db_type = env_store("ZDB11x");
  // Each row adds a file that the search prefers to those before it.
  const std::string added[] = {"",                        // none yet
                               c + "/zdbcoll.ctl",        // the plain prefix in COLL_CTL_HOME
                               h + "/zdb11coll.ctl",      // the versioned prefix in COLL_HOME
                               h + "/S1_zdb11coll.ctl",   // the server id before the name
                               h + "/S1/zdb11coll.ctl"};  // the server's directory
  for (const std::string& path : added) {
    if (!path.empty()) std::ofstream(path) << "x";
    unique_file f;
    EXPECT_EQ(captured([&] { f = u_openInputFile("coll"); }),
              lines{path.empty() ? "UOI0055W Could not find a zdbcoll.ctl file"
                                 : "UOI0025I File " + path + " opened"});
    EXPECT_EQ(f != nullptr, !path.empty());
  }
  // Under trace_all every candidate that failed is listed.
  tracing.trace_all = 1;
  lines tried;
  for (const char* p : {"zdb11", "zdb"}) {
    for (const std::string& d : {h + "/S1/", h + "/S1_", h + "/", c + "/"})
      tried.push_back("UOI0030I Could not open " + d + p + "eval.ctl");
    tried.push_back("UOI0055W Could not find a " + std::string(p) + "eval.ctl file");
  }
  EXPECT_EQ(captured([] { EXPECT_EQ(u_openInputFile("eval"), nullptr); }), tried);
}

TEST(ControlFileSearch, PrefixesFromTheDatabaseType) {
  reset_process_state();
  struct row {
    const char* db_type;
    lines prefixes;
  };
  const row rows[] = {
      {"zdb", {"zdb"}},             // Oracle code without version
      {"ZDB11", {"zdb11", "zdb"}},  // versioned: the plain code follows
      {"qvzabc", {"qvz"}},          // other codes keep three characters
      {"", {}},                     // no type, no file
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.db_type);
    env_vars.db_type = env_store(r.db_type);
    lines got;
    char p[8];
    for (int i = 0; i < 4 && u_db_type(i, p); ++i) got.push_back(p);
    EXPECT_EQ(got, r.prefixes);
  }
  reset_process_state();
}

}  // namespace
