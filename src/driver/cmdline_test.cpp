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
#include "util/command_line.h"
#include "util/trace.h"

namespace {
// An argument vector whose texts live as long as the object: "collector"
// first when `program` is given, then `words` from `from` on up to the first
// empty one at the end (a data-file row's unused fields).
struct args {
  explicit args(const std::vector<std::string>& words, size_t from = 0, const char* program = "")
      : texts(words.begin() + static_cast<std::ptrdiff_t>(from), words.end()) {
    while (!texts.empty() && texts.back().empty()) texts.pop_back();
    if (*program) texts.insert(texts.begin(), program);
    for (std::string& t : texts) ptrs.push_back(t.data());
    ptrs.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(texts.size()); }
  char** argv() { return ptrs.data(); }
  std::vector<std::string> texts;
  std::vector<char*> ptrs;
};

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
    EXPECT_EQ(static_cast<size_t>(command_line.Argc), result.size());
    return result;
  }
  ScratchDir dir_;
};

// Rows of tests/data/driver/argument_words.txt.
TEST_F(CommandLine, ArgumentFilesSplitWordsAndQuotes) {
  for (const auto& r : data_rows("driver/argument_words.txt", 6)) {
    SCOPED_TRACE(r[0]);
    reset_process_state();
    std::vector<std::string> expected = args(r, 1).texts;
    expected.insert(expected.begin(), {"collector", "-first"});
    expected.push_back("-last");
    EXPECT_EQ(expand({"collector", "-first", "@" + write_file(dir_, "words", r[0]), "-last"}),
              expected);
  }
}

TEST_F(CommandLine, ArgumentFilesNestAndSwitchesAreRemoved) {
  std::string c = write_file(dir_, "c.args", "\"-ctldir\" '/my dir'");
  std::string b = write_file(dir_, "b.args", "-dbtype zdb -FILEIN " + c);
  std::string a = write_file(dir_, "a.args", "-rdbms S1 @" + b + " -x");
  EXPECT_EQ(expand({"collector", "-filein", a, "-DDDx", "-testI32Cap", "-TESTI64CAPzz", "-dd"}),
            (std::vector<std::string>{"collector", "-rdbms", "S1", "-dbtype", "zdb", "-ctldir",
                                      "/my dir", "-x", "-dd"}));
  EXPECT_EQ(command_line.arg_files, 3);
  EXPECT_EQ(command_line.testI32Cap, 1);
  EXPECT_EQ(command_line.testI64Cap, 1);
  // f1 names f2 ... f10 names nothing more: exactly the limit.
  reset_process_state();
  for (int i = 10; i >= 1; --i)
    write_file(dir_, "f" + std::to_string(i),
               i == 10 ? "end" : "@" + dir_.path() + "/f" + std::to_string(i + 1));
  EXPECT_EQ(expand({"collector", "@" + dir_.path() + "/f1"}),
            (std::vector<std::string>{"collector", "end"}));
  EXPECT_EQ(command_line.arg_files, 10);
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
    args a(row, 1, "collector");
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
    args a(row, 3, "collector");
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
    args a(row, 2);
    EXPECT_EQ(parseQVBCmdline(a.argc(), a.argv()), std::stoi(row[0]));
    EXPECT_EQ(settings_text(), row[1]);
  }
}

// Command line over environment over the collector's PROCESS.CTL entry, for
// each of the three logon settings.
TEST_F(CommandLine, LogonPrecedence) {
  struct {
    const char *cmd, *env, *proc, *expected;  // command line and environment may be null
  } const rows[] = {
      {"CMD", "ENV", "PROC", "CMD"},       // command line wins over both
      {nullptr, "ENV", "PROC", "ENV"},     // environment over PROCESS.CTL
      {nullptr, nullptr, "PROC", "PROC"},  // PROCESS.CTL supplies what is missing
      {"CMD", nullptr, "", "CMD"},         // nothing in PROCESS.CTL
  };
  const char* const options[] = {"-rdbms", "-logonid", "-password"};
  const char* const variables[] = {"COLL_SERVERID", "COLL_LOGON", "COLL_PASSWORD"};
  const char* env_table::*const slots[] = {&env_table::serverid, &env_table::logonid,
                                           &env_table::password};
  for (int s = 0; s < 3; ++s)
    for (const auto& r : rows) {
      SCOPED_TRACE(std::string(options[s]) + " " + r.expected);
      reset_process_state();
      ScopedEnv env;
      env.set(variables[s], r.env);
      env.set("COLL_LOGONID", nullptr);
      // Spares the shell commands that would supply these.
      env.set("COLL_HOSTNAME", "host1"), env.set("USER", "user1"), env.set("PWD", "/work");
      args a(r.cmd ? std::vector<std::string>{options[s], r.cmd} : std::vector<std::string>{}, 0,
             "collector");
      parse_argv(a.argc(), a.argv());
      QVB_getenv(a.argc(), a.argv());
      distributor* d = process_arena().make<distributor>();
      char* field = s == 0 ? d->server_id : s == 1 ? d->logon_id : d->password;
      snprintf(field, 34, "%s", r.proc);
      reconcile_logon(d);
      EXPECT_STREQ(env_vars.*slots[s], r.expected);
      EXPECT_STREQ(field, r.expected);
    }
}
}  // namespace
