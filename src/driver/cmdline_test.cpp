// The command line: argument files expanded in place, the two readers'
// keyword abbreviations and values, trace switches and echo, and the
// precedence of command line over environment over PROCESS.CTL. The exits
// for unreadable and too many argument files are covered by running the
// collector itself.
#include "driver/cmdline.h"

#include <gtest/gtest.h>

#include "child_run.h"
#include "ctl/arena.h"
#include "ctl/distributor.h"
#include "driver/startup.h"
#include "message_lines.h"
#include "scoped_env.h"
#include "settings_text.h"
#include "test_state.h"
#include "util/trace.h"

namespace {
// An argument vector whose texts live as long as the object.
struct args {
  explicit args(std::vector<std::string> words) : texts(std::move(words)) {
    for (std::string& t : texts) ptrs.push_back(t.data());
    ptrs.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(texts.size()); }
  char** argv() { return ptrs.data(); }
  std::vector<std::string> texts;
  std::vector<char*> ptrs;
};

// "collector" followed by `words`.
args command(const std::vector<std::string>& words) {
  std::vector<std::string> all = {"collector"};
  all.insert(all.end(), words.begin(), words.end());
  return args(all);
}

// The fields of a data-file row from `from` on, up to the first empty one.
std::vector<std::string> words_of(const std::vector<std::string>& row, size_t from) {
  std::vector<std::string> out(row.begin() + static_cast<std::ptrdiff_t>(from), row.end());
  while (!out.empty() && out.back().empty()) out.pop_back();
  return out;
}

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override { reset_process_state(); }
  void TearDown() override { reset_process_state(); }

  // Runs parseCmdline on `words` and returns the resulting vector.
  static std::vector<std::string> expand(const std::vector<std::string>& words) {
    args a(words);
    char** out = parseCmdline(a.argc(), a.argv());
    std::vector<std::string> result;
    for (int i = 0; out[i]; ++i) result.emplace_back(out[i]);
    EXPECT_EQ(static_cast<size_t>(globals.Argc), result.size());
    return result;
  }
  ScratchDir dir_;
};

TEST_F(CommandLine, ArgumentFilesSplitWordsAndQuotes) {
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

TEST_F(CommandLine, ArgumentFilesNestAndSwitchesAreRemoved) {
  std::string c = write_file(dir_, "c.args", "\"-ctldir\" '/my dir'");
  std::string b = write_file(dir_, "b.args", "-dbtype zdb -FILEIN " + c);
  std::string a = write_file(dir_, "a.args", "-rdbms S1 @" + b + " -x");
  EXPECT_EQ(expand({"collector", "-filein", a, "-DDDx", "-testI32Cap", "-TESTI64CAPzz", "-dd"}),
            (std::vector<std::string>{"collector", "-rdbms", "S1", "-dbtype", "zdb", "-ctldir",
                                      "/my dir", "-x", "-dd"}));
  EXPECT_EQ(globals.arg_files, 3);
  EXPECT_EQ(globals.testI32Cap, 1);
  EXPECT_EQ(globals.testI64Cap, 1);
  // f1 names f2 ... f10 names nothing more: exactly the limit.
  reset_process_state();
  for (int i = 10; i >= 1; --i)
    write_file(dir_, "f" + std::to_string(i),
               i == 10 ? "end" : "@" + dir_.path() + "/f" + std::to_string(i + 1));
  EXPECT_EQ(expand({"collector", "@" + dir_.path() + "/f1"}),
            (std::vector<std::string>{"collector", "end"}));
  EXPECT_EQ(globals.arg_files, 10);
  // The option reader sees the expanded words.
  reset_process_state();
  args opts({"collector", "-filein", write_file(dir_, "o", "-rdbms FROMFILE -dbtype zdb"),
             "-ctldir", "/c"});
  EXPECT_EQ(parseQVBCmdline(opts.argc(), opts.argv()), 6);
  EXPECT_EQ(settings_text(), "ctl_home=/c serverid=FROMFILE db_type=zdb");
}

// Rows of tests/data/driver/first_reading.txt.
TEST_F(CommandLine, FirstReadingKeywordsAndValues) {
  for (const auto& row : data_rows("driver/first_reading.txt", 6)) {
    SCOPED_TRACE(row[1]);
    reset_process_state();
    args a = command(words_of(row, 1));
    OutputCapture capture;
    EXPECT_EQ(parse_argv(a.argc(), a.argv()), 1);
    EXPECT_EQ(capture.finish(), "");
    EXPECT_EQ(settings_text(), row[0]);
  }
}

// Rows of tests/data/driver/trace_switches.txt.
TEST_F(CommandLine, FirstReadingTraceSwitchesAndEcho) {
  for (const auto& row : data_rows("driver/trace_switches.txt", 8)) {
    SCOPED_TRACE(row[3]);
    reset_process_state();
    args a = command(words_of(row, 3));
    OutputCapture capture;
    parse_argv(a.argc(), a.argv());
    std::string printed;
    for (const std::string& l : message_lines(capture.finish())) printed += l + "\n";
    EXPECT_EQ(printed, row[2]);
    EXPECT_EQ(tracing.trace_all, std::stoi(row[0]));
    EXPECT_EQ(tracing.trace_something, std::stoi(row[0]));
    std::string levels;
    for (int i = 0; i < 10; ++i) levels += tracing.my_trace_all[i] ? '1' : '0';
    EXPECT_EQ(levels, row[1]);
  }
}

// Rows of tests/data/driver/option_table.txt.
TEST_F(CommandLine, OptionTableReading) {
  for (const auto& row : data_rows("driver/option_table.txt", 9)) {
    SCOPED_TRACE(row[3]);
    reset_process_state();
    args a(words_of(row, 2));
    EXPECT_EQ(parseQVBCmdline(a.argc(), a.argv()), std::stoi(row[0]));
    EXPECT_EQ(settings_text(), row[1]);
  }
}

// Command line over environment over the collector's PROCESS.CTL entry, for
// each of the three logon settings.
TEST_F(CommandLine, LogonPrecedence) {
  struct row {
    const char* cmd;   // command-line value, or null
    const char* env;   // environment value, or null
    const char* proc;  // PROCESS.CTL value
    const char* expected;
  } rows[] = {
      {"CMD", "ENV", "PROC", "CMD"},       // command line wins over both
      {nullptr, "ENV", "PROC", "ENV"},     // environment over PROCESS.CTL
      {nullptr, nullptr, "PROC", "PROC"},  // PROCESS.CTL supplies what is missing
      {"CMD", nullptr, "", "CMD"},         // nothing in PROCESS.CTL
  };
  struct setting {
    const char* option;
    const char* variable;
    const char* env_table::*slot;
    char* (*field)(distributor*);
  } settings[] = {
      {"-rdbms", "COLL_SERVERID", &env_table::serverid,
       [](distributor* d) { return d->server_id; }},
      {"-logonid", "COLL_LOGON", &env_table::logonid, [](distributor* d) { return d->logon_id; }},
      {"-password", "COLL_PASSWORD", &env_table::password,
       [](distributor* d) { return d->password; }},
  };
  for (const setting& s : settings) {
    for (const row& r : rows) {
      reset_process_state();
      ScopedEnv env;
      env.set(s.variable, r.env);
      env.set("COLL_LOGONID", nullptr);
      // Spares the shell commands that would supply these.
      env.set("COLL_HOSTNAME", "host1");
      env.set("USER", "user1");
      env.set("PWD", "/work");
      args a =
          command(r.cmd ? std::vector<std::string>{s.option, r.cmd} : std::vector<std::string>{});
      parse_argv(a.argc(), a.argv());
      QVB_getenv(a.argc(), a.argv());
      distributor* collector = process_arena().make<distributor>();
      char* field = s.field(collector);
      snprintf(field, 34, "%s", r.proc);
      reconcile_logon(collector);
      EXPECT_STREQ(env_vars.*s.slot, r.expected) << s.option << " " << r.expected;
      EXPECT_STREQ(field, r.expected) << s.option << " " << r.expected;
    }
  }
}
}  // namespace
