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
#include "test_state.h"
#include "util/trace.h"

namespace {

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
    char* end = reader.buffer + text.size();
    char* at = reader.buffer;
    size_t k = 0;
    int n;
    while ((n = get_word(at, end)) > 0) {
      ASSERT_LT(k, c.words.size())
          << "extra word " << std::string(reader.parse_word.str, reader.parse_word.len);
      const word_info& w = reader.parse_word;
      EXPECT_EQ(std::string(w.str, w.len), c.words[k].text);
      EXPECT_EQ(w.flags, c.words[k].flags);
      EXPECT_EQ(w.num_flags, c.words[k].num_flags);
      EXPECT_EQ(w.exp, c.words[k].exp);
      EXPECT_EQ(w.pos, w.str - reader.buffer);
      EXPECT_EQ(reader.this_len, n);
      at += n;
      ++k;
    }
    EXPECT_EQ(k, c.words.size());
    if (c.error) {
      EXPECT_EQ(n, -1);
      EXPECT_EQ(reader.failed, 1);
      EXPECT_STREQ(reader.message, c.error);
    } else {
      EXPECT_EQ(n, 0);
      EXPECT_EQ(reader.failed, 0);
    }
  }
}

TEST(Tokeniser, ParenthesisDepthRunsAcrossWords) {
  reset_reader_state();
  char text[] = "((a) b    ";
  char* end = text + strlen(text);
  char* at = text;
  std::vector<int> depth;
  for (int n; (n = get_word(at, end)) > 0; at += n) depth.push_back(reader.parens);
  EXPECT_EQ(depth, (std::vector<int>{1, 2, 2, 1, 1}));
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
    char* end = at + text.size();
    std::vector<std::pair<std::string, uint16_t>> got;
    for (int n; (n = simple_get_word(at, end)) > 0; at += n) {
      got.emplace_back(std::string(reader.parse_word.str, reader.parse_word.len),
                       reader.parse_word.flags);
    }
    EXPECT_EQ(got, r.words);
  }
}

TEST(Errmsg, ComposesPositionAndTextWithinTheMessage) {
  reset_reader_state();
  EXPECT_EQ(errmsg("Bad thing", "word", 4, 9), -1);
  EXPECT_STREQ(reader.message, "Syntax error - Position = 10 Bad thing, Text = word");
  EXPECT_EQ(reader.failed, 1);
  EXPECT_EQ(errmsg("No text", "word", 0, 0), -1);
  EXPECT_STREQ(reader.message, "Syntax error - No text");
  std::string long_word(400, 'w');
  errmsg("Long", long_word.c_str(), 400, 0);
  EXPECT_EQ(strlen(reader.message), 256u);  // cut to the message's capacity
  EXPECT_EQ(std::string(reader.message).substr(0, 30), "Syntax error - Long, Text = ww");
}

TEST(WordLists, LooksUpWithOptions) {
  const char* list[] = {"ab", "abc", "b", "", "zz"};
  const char* sorted[] = {"aa", "ac", "ad"};
  struct row {
    const char* text;
    const char* const* list;
    int count;
    int options;
    int result;
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
}

TEST(Keywords, FollowEachFilesCaseRule) {
  struct row {
    int (*lookup)(const char*, int);
    const char* word;
    int code;
  };
  const row rows[] = {
      {test_word, "Insert_Select", kw_insert_select},           // COLLECT.CTL ignores case
      {test_word, "ENDIF", kw_endif},                           // the last keyword
      {test_word, "uuidpcvc", 27},                              // code 26 is skipped
      {test_word, "inserts", 0},                                // equal length required
      {distrib_key_word, "Saturday_start", pk_saturday_start},  // as listed
      {distrib_key_word, "SATURDAY_START", pk_saturday_start},  // upper case
      {distrib_key_word, "saturday_start", 0},                  // other spellings are unknown
      {distrib_key_word, "SATURDAY_start", 0},
      {test_dict_word, "INITIAL", 3},
      {test_dict_word, "Initial", 0},
      {test_trace_word, "traceall", 4},
      {test_trace_word, "TRACE_ALL", 4},
      {test_trace_word, "Trace", 0},
      {eval_key_word, "OPERATOR", 5},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.word);
    EXPECT_EQ(r.lookup(r.word, static_cast<int>(strlen(r.word))), r.code);
  }
}

TEST(WOParens, CopiesTheParenthesisedText) {
  reset_process_state();
  reset_reader_state();
  std::vector<int> rc;
  std::string far = "x" + std::string(3100, ' ') + "(a)";
  std::string wide = "(" + std::string(3100, 'a') + ")";
  auto lines = captured([&] {
    rc.push_back(w_o_parens("uuidbase(0001-aa) rest"));
    rc.push_back(w_o_parens("uuidbase 0001"));
    rc.push_back(w_o_parens("uuidbase(0001"));
    rc.push_back(w_o_parens(far.c_str()));   // '(' beyond the first 3,100 characters
    rc.push_back(w_o_parens(wide.c_str()));  // ')' beyond reach
  });
  EXPECT_EQ(rc, (std::vector<int>{7, 0, 0, 0, 0}));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "CAT1925E No opening parenthesis",
                       "CAT1930E No ending parenthesis",
                       "CAT1925E No opening parenthesis",
                       "CAT1930E No ending parenthesis",
                   }));
}

// Reads every statement of `text` (read in lines of line_size bytes).
std::vector<std::string> statements_of(const std::string& text, int line_size,
                                       int* last = nullptr) {
  scratch_dir dir;
  unique_file f(fopen(dir.write("x.ctl", text).c_str(), "r"));
  statement_source src(f.get(), line_size);
  std::vector<std::string> out;
  int rc;
  while ((rc = src.next()) == 1) {
    EXPECT_EQ(reader.this_start, reader.buffer);
    out.emplace_back(reader.buffer, reader.statement_end);
  }
  if (last) *last = rc;
  return out;
}

TEST(StatementAssembly, JoinsLinesAndDropsComments) {
  reset_process_state();
  reset_reader_state();
  struct row {
    const char* text;
    std::vector<std::string> statements;
  };
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
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(statements_of(r.text, 256), r.statements);
  }
}

TEST(StatementAssembly, SplitsLinesLongerThanTheReadBuffer) {
  reset_process_state();
  reset_reader_state();
  std::string text = "a " + std::string(260, 'b') + ";\n";
  // 255 characters per read: the rest of the line continues after one blank.
  EXPECT_EQ(statements_of(text, 256), (std::vector<std::string>{"a " + std::string(253, 'b') + " " +
                                                                std::string(7, 'b') + "    "}));
  EXPECT_EQ(statements_of(text, 500),
            (std::vector<std::string>{"a " + std::string(260, 'b') + "    "}));
}

TEST(StatementAssembly, RefusesStatementsLongerThanTheBuffer) {
  reset_process_state();
  reset_reader_state();
  // Lines of 200 characters joined with blanks: 79 lines give 15,879 characters
  // plus one blank each, 80 lines exceed the 15,995 that fit.
  std::string line(199, 'x');
  std::string fits;
  for (int i = 0; i < 79; ++i) fits += line + "\n";
  fits += std::string(15995 - 79 * 200, 'y') + ";\n";
  int rc = 0;
  auto got = statements_of(fits, 256, &rc);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].size(), 15999u);
  EXPECT_EQ(rc, 0);

  std::string over;
  for (int i = 0; i < 79; ++i) over += line + "\n";
  over += std::string(15996 - 79 * 200, 'y') + ";\nend;\n";
  got = statements_of(over, 256, &rc);
  EXPECT_TRUE(got.empty());
  EXPECT_EQ(rc, -1);
  EXPECT_EQ(reader.failed, 1);
  EXPECT_STREQ(reader.message, ("Syntax error - Statement longer than 15995 characters, Text = " +
                                std::string(40, 'x'))
                                   .c_str());
}

TEST(ControlFileSearch, TriesDirectoriesAndPrefixesInOrder) {
  reset_process_state();
  scratch_dir dir;
  mkdir(dir.file("home").c_str(), 0700);
  mkdir(dir.file("home/S1").c_str(), 0700);
  mkdir(dir.file("ctl").c_str(), 0700);
  env_vars.coll_home = env_store(dir.file("home"));
  env_vars.ctl_home = env_store(dir.file("ctl"));
  env_vars.serverid = env_store("S1");
  env_vars.db_type = env_store("ZDB11x");
  auto read_back = [](const char* base) {
    unique_file f = u_openInputFile(base);
    char line[64] = "";
    if (f && !fgets(line, sizeof line, f.get())) line[0] = 0;
    return f ? std::string(line) : std::string("(none)");
  };
  std::vector<std::string> got;
  auto lines = captured([&] {
    got.push_back(read_back("coll"));
    dir.write("ctl/zdbcoll.ctl", "ctl plain");
    got.push_back(read_back("coll"));  // fallback prefix in COLL_CTL_HOME
    dir.write("home/zdb11coll.ctl", "home versioned");
    got.push_back(read_back("coll"));  // prefix 0 before prefix 1
    dir.write("home/S1_zdb11coll.ctl", "server underscore");
    got.push_back(read_back("coll"));
    dir.write("home/S1/zdb11coll.ctl", "server dir");
    got.push_back(read_back("coll"));
    got.push_back(read_back("eval"));
  });
  EXPECT_EQ(got, (std::vector<std::string>{"(none)", "ctl plain", "home versioned",
                                           "server underscore", "server dir", "(none)"}));
  std::string h = dir.file("home"), c = dir.file("ctl");
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "UOI0055W Could not find a zdbcoll.ctl file",
                       "UOI0025I File " + c + "/zdbcoll.ctl opened",
                       "UOI0025I File " + h + "/zdb11coll.ctl opened",
                       "UOI0025I File " + h + "/S1_zdb11coll.ctl opened",
                       "UOI0025I File " + h + "/S1/zdb11coll.ctl opened",
                       "UOI0055W Could not find a zdb11eval.ctl file",
                       "UOI0055W Could not find a zdbeval.ctl file",
                   }));
}

TEST(ControlFileSearch, ListsFailedCandidatesUnderTraceAll) {
  reset_process_state();
  scratch_dir dir;
  env_vars.ctl_home = env_store(dir.path());
  env_vars.db_type = env_store("zdb");
  tracing.trace_all = 1;
  bool found = true;
  auto lines = captured([&] { found = u_openInputFile("eval") != nullptr; });
  EXPECT_FALSE(found);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "UOI0030I Could not open zdbeval.ctl",  // no COLL_HOME, no server id
                       "UOI0030I Could not open zdbeval.ctl",
                       "UOI0030I Could not open zdbeval.ctl",
                       "UOI0030I Could not open " + dir.path() + "/zdbeval.ctl",
                       "UOI0055W Could not find a zdbeval.ctl file",
                   }));
  reset_process_state();
}

TEST(ControlFileSearch, PrefixesFromTheDatabaseType) {
  reset_process_state();
  struct row {
    const char* db_type;
    std::vector<std::string> prefixes;
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
    std::vector<std::string> got;
    char p[8];
    for (int i = 0; i < 4 && u_db_type(i, p); ++i) got.push_back(p);
    EXPECT_EQ(got, r.prefixes);
  }
}

}  // namespace
