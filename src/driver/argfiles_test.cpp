// Argument files expanded in place (nesting, quoting, the ten-file limit) and
// the switches removed before the option reader; the exits for unreadable and
// too many files are covered by running the collector itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "child_run.h"
#include "driver/cmdline.h"
#include "driver/settings.h"
#include "test_state.h"

namespace {
class ArgumentFiles : public ::testing::Test {
 protected:
  void SetUp() override { reset_process_state(); }
  void TearDown() override { reset_process_state(); }

  // Runs parseCmdline on `words` and returns the resulting vector.
  std::vector<std::string> expand(std::vector<std::string> words) {
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    char** out = parseCmdline(static_cast<int>(words.size()), argv.data());
    std::vector<std::string> result;
    for (int i = 0; out[i]; ++i) result.emplace_back(out[i]);
    EXPECT_EQ(out[globals.Argc], nullptr);
    EXPECT_EQ(static_cast<size_t>(globals.Argc), result.size());
    return result;
  }

  ScratchDir dir_;
};

TEST_F(ArgumentFiles, SplitsWordsAndQuotes) {
  struct row {
    std::string content;
    std::vector<std::string> words;
  } rows[] = {
      {"-rdbms S1\n-dbtype\tzdb\r\n", {"-rdbms", "S1", "-dbtype", "zdb"}},  // blanks, tabs, CR LF
      {"\"a b\" 'c \"d' e\"f", {"a b", "c \"d", "e\"f"}},  // quotes open only at a word's start
      {"\"x\"y", {"x", "y"}},                              // a closing quote ends the word
      {"\"unterminated x", {"unterminated x"}},            // runs to the end of the file
      {"'' next", {"", "next"}},                           // an empty quoted word stays
      {"", {}},                                            // an empty file inserts nothing
      {std::string("a\0b", 3), {"a", "b"}},                // a NUL separates like a blank
  };
  for (const row& r : rows) {
    reset_process_state();
    std::string file = write_file(dir_, "words", r.content);
    std::vector<std::string> expected = {"collector", "-first"};
    expected.insert(expected.end(), r.words.begin(), r.words.end());
    expected.push_back("-last");
    EXPECT_EQ(expand({"collector", "-first", "@" + file, "-last"}), expected) << r.content;
  }
}

TEST_F(ArgumentFiles, NestedFilesExpandInPlace) {
  std::string c = write_file(dir_, "c.args", "\"-ctldir\" '/my dir'");
  std::string b = write_file(dir_, "b.args", "-dbtype zdb -FILEIN " + c);
  std::string a = write_file(dir_, "a.args", "-rdbms S1 @" + b + " -x");
  EXPECT_EQ(expand({"collector", "-filein", a, "tail"}),
            (std::vector<std::string>{"collector", "-rdbms", "S1", "-dbtype", "zdb", "-ctldir",
                                      "/my dir", "-x", "tail"}));
  EXPECT_EQ(globals.arg_files, 3);
}

TEST_F(ArgumentFiles, TenFilesAreExpanded) {
  // f1 names f2 ... f10 names nothing more: exactly the limit.
  for (int i = 10; i >= 1; --i)
    write_file(dir_, "f" + std::to_string(i),
               i == 10 ? "end" : "@" + dir_.path() + "/f" + std::to_string(i + 1));
  EXPECT_EQ(expand({"collector", "@" + dir_.path() + "/f1"}),
            (std::vector<std::string>{"collector", "end"}));
  EXPECT_EQ(globals.arg_files, 10);
}

TEST_F(ArgumentFiles, RemovesTraceAndTestSwitches) {
  EXPECT_EQ(expand({"collector", "-DDDx", "-testI32Cap", "-TESTI64CAPzz", "-dd", "keep"}),
            (std::vector<std::string>{"collector", "-dd", "keep"}));
  EXPECT_EQ(globals.testI32Cap, 1);
  EXPECT_EQ(globals.testI64Cap, 1);
}

TEST_F(ArgumentFiles, OptionReaderSeesExpandedWords) {
  std::string f = write_file(dir_, "opts", "-rdbms FROMFILE -dbtype zdb");
  std::vector<std::string> words = {"collector", "-filein", f, "-ctldir", "/c"};
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  EXPECT_EQ(parseQVBCmdline(static_cast<int>(words.size()), argv.data()), 6);
  EXPECT_STREQ(env_vars.serverid, "FROMFILE");
  EXPECT_STREQ(env_vars.db_type, "zdb");
  EXPECT_STREQ(env_vars.ctl_home, "/c");
}
}  // namespace
