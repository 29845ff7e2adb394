// The statement reader: the tokeniser's words and errors, statement assembly
// from lines, syntax-error texts, word lists, parenthesised text and the
// search for control files.
#include "ctl/reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ctl/ctl_file.h"
#include "ctl/keywords.h"
#include "ctl_fixture.h"
#include "std_capture.h"
#include "util/trace.h"

namespace {

// The flags of a word as tests/data/ctl/tokeniser.txt writes them: names joined by "+", or 0.
int flags_of(const std::string& names) {
  // clang-format off
  static const std::map<std::string, int> flag = {
      {"0", 0}, {"compare", wf_compare}, {"concat", wf_concat}, {"host_var", wf_host_var},
      {"arith", wf_arith}, {"literal", wf_literal}, {"comma", wf_comma}, {"period", wf_period},
      {"all_cols", wf_all_cols}, {"paren", wf_paren}, {"single", nf_single},
      {"double", nf_double}, {"numeric", nf_numeric}, {"decimal", nf_decimal},
      {"exponent", nf_exponent}};
  // clang-format on
  int out = 0;
  std::istringstream in(names);
  for (std::string name; std::getline(in, name, '+');) out |= flag.at(name);
  return out;
}

// Rows of tests/data/ctl/tokeniser.txt: the words cut, and the error after the last.
TEST(Tokeniser, CutsWordsWithFlags) {
  auto rows = data_rows("ctl/tokeniser.txt", 9);
  EXPECT_GT(rows.size(), 30u);
  for (const auto& row : rows) {
    SCOPED_TRACE(row[0]);
    reset_reader_state();
    std::string text = row[0] + "    ", error;
    memcpy(reader.buffer, text.c_str(), text.size() + 1);
    char* at = reader.buffer;
    int n;
    size_t k = 1;
    for (; (n = get_word(at, reader.buffer + text.size())) > 0; at += n, ++k) {
      ASSERT_LT(k, 7u) << "extra word";
      std::istringstream want(row[k]);
      std::string flags, num_flags, word;
      int exp;
      want >> flags >> num_flags >> exp;
      std::getline(want >> std::ws, word);
      const word_info& w = reader.parse_word;
      EXPECT_EQ(std::string(w.str, w.len), word);
      EXPECT_EQ((std::vector<int>{w.flags, w.num_flags, w.exp, w.pos, reader.this_len}),
                (std::vector<int>{flags_of(flags), flags_of(num_flags), exp,
                                  static_cast<int>(w.str - reader.buffer), n}));
    }
    if (row[k].rfind("Syntax error", 0) == 0) error = row[k++];
    EXPECT_EQ(row[k], "");  // every word read
    EXPECT_EQ((std::vector<int>{n, reader.failed}),
              (std::vector<int>{-!error.empty(), !error.empty()}));
    EXPECT_EQ(reader.message, error);
  }
  // A message is cut to its capacity.
  errmsg("Long", std::string(400, 'w').c_str(), 400, 9);
  EXPECT_EQ(std::string(reader.message),
            "Syntax error - Position = 10 Long, Text = " + std::string(256 - 42, 'w'));
}

TEST(SimpleGetWord, CutsScriptParameters) {
  for (const auto& row : data_rows("ctl/script_words.txt", 5)) {
    SCOPED_TRACE(row[0]);
    std::string text = row[0];
    lines got, want;
    for (size_t k = 1; k < row.size() && !row[k].empty(); ++k) {
      size_t blank = row[k].find(' ');
      want.push_back(std::to_string(flags_of(row[k].substr(0, blank))) + row[k].substr(blank));
    }
    const word_info& w = reader.parse_word;
    for (int n, at = 0; (n = simple_get_word(&text[at], text.data() + text.size())) > 0; at += n)
      got.push_back(std::to_string(w.flags) + " " + std::string(w.str, w.len));
    EXPECT_EQ(got, want);
  }
}

TEST(WordLists, LooksUpWithOptions) {
  const char* list[] = {"ab", "abc", "b", "", "zz"};
  const char* sorted[] = {"aa", "ac", "ad"};
  for (const auto& r : data_rows("ctl/word_lists.txt", 5)) {
    SCOPED_TRACE(r[0] + " in " + r[1]);
    EXPECT_EQ(u_test_word(r[0].c_str(), static_cast<int>(r[0].size()),
                          r[1] == "list" ? list : sorted, std::stoi(r[2]), std::stoi(r[3])),
              std::stoi(r[4]));
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

// The copy itself and both messages are checked through the .PXA files.
TEST_F(Reader, WOParensLooksNoFurtherThanItsBuffer) {
  std::string far = "x" + std::string(3100, ' ') + "(a)", wide = "(" + std::string(3100, 'a') + ")";
  EXPECT_EQ(captured([&] { EXPECT_EQ(w_o_parens(far.c_str()) + w_o_parens(wide.c_str()), 0); }),
            (lines{"CAT1925E No opening parenthesis", "CAT1930E No ending parenthesis"}));
}

TEST_F(Reader, StatementAssemblyJoinsLinesAndDropsComments) {
  for (auto row : data_rows("ctl/statements.txt", 4)) {
    SCOPED_TRACE(row[1]);
    while (row.back().empty()) row.pop_back();
    EXPECT_EQ(statements_of(row[1], std::stoi(row[0])), lines(row.begin() + 2, row.end()));
  }
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

// The versioned type is searched above.
TEST(ControlFileSearch, PrefixesFromTheDatabaseType) {
  reset_process_state();
  const std::pair<const char*, const char*> rows[] = {
      {"zdb", "zdb"},     // Oracle code without version
      {"qvzabc", "qvz"},  // other codes keep three characters
      {"", ""},           // no type, no file
  };
  for (auto [type, want] : rows) {
    env_vars.db_type = env_store(type);
    std::string got;
    char p[8];
    for (int i = 0; i < 4 && u_db_type(i, p); ++i) got += (i ? " " : "") + std::string(p);
    EXPECT_EQ(got, want) << type;
  }
  reset_process_state();
}

}  // namespace
