// The collector program started the way the probe starts it, in a scratch
// directory with a controlled environment: exit statuses and messages of the
// argument files, the version dump, and stops during start-up.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "child_run.h"
#include "driver/version_dump.h"
#include "message_lines.h"

namespace {
// Everything the collector wrote: its standard output and error, then any
// print and log files in `out_dir`.
std::string all_output(const ChildResult& r, const std::string& out_dir) {
  std::string text = r.output;
  for (const auto& entry : std::filesystem::directory_iterator(out_dir)) {
    const std::string name = entry.path().filename();
    if (name.ends_with("col.out") || name.ends_with("col.log"))
      text += read_text_file(entry.path());
  }
  return text;
}

class CollectorStartup : public ::testing::Test {
 protected:
  // The environment a probe gives the collector, with output into the
  // scratch directory.
  std::vector<std::string> env(std::vector<std::string> extra = {}) const {
    std::vector<std::string> e = {"PATH=/usr/bin:/bin",         "HOME=" + dir_.path(),
                                  "PWD=" + dir_.path(),         "USER=tester",
                                  "COLL_HOSTNAME=alpha",        "COLL_OUT=" + dir_.path(),
                                  "COLL_PREFIX=" + dir_.path(), "TZ=UTC"};
    e.insert(e.end(), extra.begin(), extra.end());
    return e;
  }

  ChildResult run(std::vector<std::string> args, std::vector<std::string> extra_env = {}) {
    args.insert(args.begin(), COLLECTOR_BIN);
    return run_program(COLLECTOR_BIN, args, env(extra_env), dir_.path());
  }

  ScratchDir dir_;
};

TEST_F(CollectorStartup, ArgumentFileFailuresExit) {
  dir_.write("self", "-rdbms S1 @self");
  dir_.write("inner", "-filein");
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
      // "-filein" with nothing after it, on the command line or in a file.
      {{"-filein"}, 95, "UTF0010E Include file \"<unknown>\" errno=22 Invalid argument"},
      {{"@inner"}, 95, "UTF0010E Include file \"<unknown>\" errno=22 Invalid argument"},
  };
  for (const row& r : rows) {
    ChildResult result = run(r.args);
    SCOPED_TRACE(r.args[0]);
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.exit_code, r.status);
    EXPECT_EQ(message_lines(all_output(result, dir_.path())), std::vector<std::string>{r.line});
  }
}

TEST_F(CollectorStartup, UnreadableArgumentFileByPermission) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads any file";
  std::string f = dir_.write("secret", "-rdbms S1");
  chmod(f.c_str(), 0);
  ChildResult result = run({"@secret"});
  EXPECT_EQ(result.exit_code, 95);
  EXPECT_EQ(
      message_lines(result.output),
      std::vector<std::string>{"UTF0010E Include file \"secret\" errno=13 Permission denied"});
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

TEST_F(CollectorStartup, VersionOfFilesWithoutHeaders) {
  dir_.write("plain", "no headers in here");
  ChildResult result = run({"-ver", "plain"});
  EXPECT_EQ(result.exit_code, 0);
  std::vector<std::string> lines = message_lines(result.output);
  ASSERT_GE(lines.size(), 2u);
  // No closing line without headers.
  EXPECT_EQ(lines[lines.size() - 2],
            "USH9053I program            vv check_in_date_time  devid compile__date_time stamp");
  EXPECT_EQ(lines.back(), "USH9054I Dump headers for plain");
}

// Start-up runs until a step it cannot pass and stops with status 0 through
// the stop routine; the program never crashes on its way there.
TEST_F(CollectorStartup, StartupStopsThroughQuitting) {
  struct row {
    std::vector<std::string> args;
    std::vector<std::string> env;
    const char* what;
  } rows[] = {
      {{"-rdbms", "S1", "-dbtype", "zdb"}, {}, "a plain start"},
      {{}, {"COLL_OUT=/nonexistent/dir"}, "an output directory that cannot be written"},
      {{"-rd", "-", "x", "-filein", "/dev/null", "-logsdir"}, {}, "odd arguments"},
      {{}, {"COLL_DISABLE_CURSORS=kf1,abc", "COLL_NOSIGNALS=9"}, "more settings"},
  };
  for (const row& r : rows) {
    ChildResult result = run(r.args, r.env);
    SCOPED_TRACE(r.what);
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.exit_code, 0);
    std::vector<std::string> lines = message_lines(all_output(result, dir_.path()));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_TRUE(lines[lines.size() - 2].starts_with("GGN1505S Time = ")) << lines[lines.size() - 2];
    EXPECT_TRUE(lines[lines.size() - 2].ends_with(", Collector ended"));
    EXPECT_TRUE(lines.back().starts_with("COL9999S Exiting collector at ")) << lines.back();
  }
}

TEST_F(CollectorStartup, EmptyArgumentVector) {
  ChildResult result = run_program(COLLECTOR_BIN, {}, env(), dir_.path());
  EXPECT_TRUE(result.exited);
  EXPECT_EQ(result.exit_code, 0);
  std::vector<std::string> lines = message_lines(all_output(result, dir_.path()));
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(lines.back().starts_with("COL9999S Exiting collector at "));
}
}  // namespace
