// The collector program started the way the probe starts it, in a scratch
// directory with a controlled environment: exit statuses and messages of the
// argument files, the version dump, and stops during start-up.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "child_run.h"
#include "driver/version_dump.h"
#include "message_lines.h"

namespace {
// The print files the collector left in `out_dir`, concatenated.
std::string print_files(const std::string& out_dir) {
  std::string text;
  for (const auto& entry : std::filesystem::directory_iterator(out_dir))
    if (entry.path().filename().string().ends_with("col.out")) text += read_whole(entry.path());
  return text;
}

void expect_stop_line(const std::string& line) {
  EXPECT_TRUE(line.starts_with("GGN1505S Time = ") && line.ends_with(", Collector ended")) << line;
}

class CollectorStartup : public ::testing::Test {
 protected:
  // The environment a probe gives the collector, with output into the
  // scratch directory.
  // `extra` entries replace the base entries of the same name.
  std::vector<std::string> env(std::vector<std::string> extra = {}) const {
    std::vector<std::string> e = extra;
    for (const std::string& base :
         std::vector<std::string>{"PATH=/usr/bin:/bin", "HOME=" + dir_.path(), "PWD=" + dir_.path(),
                                  "USER=tester", "COLL_HOSTNAME=alpha", "COLL_OUT=" + dir_.path(),
                                  "COLL_PREFIX=" + dir_.path(), "TZ=UTC"}) {
      const std::string name = base.substr(0, base.find('=') + 1);
      bool replaced = false;
      for (const std::string& x : extra) replaced = replaced || x.starts_with(name);
      if (!replaced) e.push_back(base);
    }
    return e;
  }

  ChildResult run(std::vector<std::string> args, std::vector<std::string> extra_env = {}) {
    args.insert(args.begin(), COLLECTOR_BIN);
    return run_program(COLLECTOR_BIN, args, env(extra_env), dir_.path());
  }

  ScratchDir dir_;
};

TEST_F(CollectorStartup, ArgumentFileFailuresExit) {
  write_file(dir_, "self", "-rdbms S1 @self");
  write_file(dir_, "inner", "-filein");
  struct row {
    std::vector<std::string> args;
    int status;
    const char* line;
  } rows[] = {
      // A file naming itself: ten expansions, the eleventh stops.
      {{"@self"}, 15, "UTF0015E Nested file self exceded max of 10 files"},
      {{"-filein", "self"}, 15, "UTF0015E Nested file self exceded max of 10 files"},
      // Unreadable files.
      {{"@missing"}, 95, "UTF0010E Include file \"missing\" errno=2 No such file or directory"},
      {{"-rdbms", "S1", "@."}, 95, "UTF0010E Include file \".\" errno=21 Is a directory"},
      {{"@self/x"}, 95, "UTF0010E Include file \"self/x\" errno=20 Not a directory"},
      // "-filein" with nothing after it, on the command line or in a file.
      {{"-filein"}, 95, "UTF0010E Include file \"<unknown>\" errno=22 Invalid argument"},
      {{"@inner"}, 95, "UTF0010E Include file \"<unknown>\" errno=22 Invalid argument"},
  };
  for (const row& r : rows) {
    ChildResult result = run(r.args);
    SCOPED_TRACE(r.args[0]);
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.exit_code, r.status);
    EXPECT_EQ(message_lines(result.output), std::vector<std::string>{r.line});
    EXPECT_EQ(print_files(dir_.path()), "");
  }
}

TEST_F(CollectorStartup, VersionDumpsHeadersAndExits) {
  // The first reading dumps the built-in program list beside argv[0] (here a
  // link to the collector, no probe); the second dumps the named files and
  // ends the process before anything else is read.
  std::filesystem::create_directory(dir_.path() + "/tools");
  std::filesystem::create_symlink(COLLECTOR_BIN, dir_.path() + "/tools/collector");
  ChildResult result = run_program(
      COLLECTOR_BIN, {"tools/collector", "-version", "tools/collector", "nosuch", "-rdbms", "S1"},
      env(), dir_.path());
  const std::string header = std::string("USH9055I ") + (collector_version_header + 4);
  const std::vector<std::string> one_dump = {
      "USH9053I program            vv check_in_date_time  devid compile__date_time stamp",
      "USH9054I Dump headers for tools/collector", header, "USH9056I " + std::string(60, '-')};
  std::vector<std::string> expected = one_dump;
  expected.insert(expected.end(), one_dump.begin(), one_dump.end());
  EXPECT_TRUE(result.exited);
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(message_lines(result.output), expected);
}

// Start-up runs until a step it cannot pass and stops with status 0 through
// the stop routine; the program never crashes on its way there. The stop
// shows on the console (the print file is closed by then) and, when a print
// file could be opened, ends it.
TEST_F(CollectorStartup, StartupStopsThroughQuitting) {
  struct row {
    std::vector<std::string> args;
    std::vector<std::string> env;
    bool print_file;  // a print file is written
    const char* what;
    bool no_argv = false;  // started with an empty argument vector
  } rows[] = {
      {{"-rdbms", "S1", "-dbtype", "zdb"}, {}, true, "a plain start"},
      {{}, {"COLL_OUT=/nonexistent/dir"}, false, "an output directory that cannot be written"},
      {{"-rd", "-", "x", "-filein", "/dev/null", "-logsdir"}, {}, true, "odd arguments"},
      {{}, {"COLL_DISABLE_CURSORS=kf1,abc", "COLL_NOSIGNALS=9"}, true, "more settings"},
      {{}, {"COLL_DEBUG=dddddddddd"}, true, "all tracing"},
      {{}, {}, true, "no arguments at all, not even the program name", true},
  };
  for (const row& r : rows) {
    ScratchDir out;
    std::vector<std::string> env = r.env;
    if (r.print_file) env.push_back("COLL_OUT=" + out.path());
    ChildResult result =
        r.no_argv ? run_program(COLLECTOR_BIN, {}, this->env(env), dir_.path()) : run(r.args, env);
    SCOPED_TRACE(r.what);
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.exit_code, 0);
    // The stop line, and after it the exit hook's, both copied to the log.
    std::vector<std::string> console = message_lines(result.output);
    auto stop = std::find_if(console.begin(), console.end(),
                             [](const std::string& l) { return l.starts_with("GGN1505S "); });
    ASSERT_NE(stop, console.end()) << result.output;
    expect_stop_line(*stop);
    ASSERT_NE(stop + 1, console.end());
    EXPECT_TRUE(stop[1].starts_with("COL9999S Exiting collector at ")) << stop[1];
    std::vector<std::string> printed = message_lines(print_files(out.path()));
    EXPECT_EQ(printed.empty(), !r.print_file);
    if (!printed.empty()) expect_stop_line(printed.back());
  }
}

// The collector's process definition in the control directory (the working
// directory), with a logon and no server.
constexpr const char kProcessFile[] =
    "process collector;\ntype local;\nlogon_id scott;\npassword tiger;\ninterval 60;\nend;\n";

// The start-up settings lines of the print file, and the line that ended it.
std::vector<std::string> settings_lines(const std::string& out_dir) {
  std::vector<std::string> kept;
  for (const std::string& line : message_lines(print_files(out_dir)))
    if (line.starts_with("CML15")) kept.push_back(line);
  std::vector<std::string> all = message_lines(print_files(out_dir));
  if (!all.empty()) kept.push_back(all.back().substr(0, all.back().find(" Time")));
  return kept;
}

TEST_F(CollectorStartup, MissingServerStopsAfterTheListings) {
  write_file(dir_, "qvzproc.ctl", kProcessFile);
  const std::string d = dir_.path();
  ChildResult result = run({"-v"}, {"COLL_DISABLE_CURSORS=kf1, abc"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(settings_lines(d), (std::vector<std::string>{
                                   "CML1526I Disable Cursors Environment Settings:",
                                   "CML1527I \t COLL_DISABLE_CURSORS=KF1,ABC",
                                   "CML1527I \t COLL_DISABLE_CURSOR_KF1=AND FIL.FILE_ID < 128",
                                   "CML1527I \t COLL_DISABLE_CURSOR_ABC=1",
                                   "CML1526I Environment Setting:",
                                   "CML1527I \t coll_home=" + d,
                                   "CML1527I \t ctl_home=" + d,
                                   "CML1527I \t coll_out=" + d,
                                   "CML1527I \t tmpdir=" + d,
                                   "CML1527I \t localtmpdir=" + d,
                                   "CML1527I \t hostname=alpha",
                                   "CML1527I \t hostlogonid=tester",
                                   "CML1527I \t logonid=scott",
                                   "CML1527I \t db_type=qvz",
                                   "CML1528S Missing required environment variables.",
                                   "GGN1505S",
                               }));
}

TEST_F(CollectorStartup, LogonFromTheProcessFile) {
  // Neither the command line nor the environment names a logon: the process
  // file's is used and start-up goes on past the settings check.
  write_file(dir_, "qvzproc.ctl", kProcessFile);
  ChildResult result = run({"-rdbms", "S1", "-v"}, {"COLL_LOGON=", "COLL_VERSION=qvz"});
  EXPECT_EQ(result.exit_code, 0);
  std::vector<std::string> lines = settings_lines(dir_.path());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "CML1527I \t logonid=scott"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "CML1527I \t serverid=S1"), lines.end());
  EXPECT_EQ(
      std::find(lines.begin(), lines.end(), "CML1528S Missing required environment variables."),
      lines.end());
  EXPECT_EQ(lines.back(), "GGN1505S");
}

}  // namespace
