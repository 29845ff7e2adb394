// The collector program started the way the probe starts it, in a scratch
// directory with a controlled environment: exit statuses and messages of the
// argument files, the version dump, stops during start-up, and collecting
// from a real SQLite database until the go_home time, read back from the
// print file.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "child_run.h"
#include "db_test_util.h"
#include "driver/version_dump.h"
#include "message_lines.h"

namespace {
using namespace std::string_literals;

// The message lines of the print files the collector left in `out_dir`.
std::vector<std::string> printed(const std::string& out_dir) {
  std::string text;
  for (const auto& entry : std::filesystem::directory_iterator(out_dir))
    if (entry.path().filename().string().ends_with("col.out")) text += read_whole(entry.path());
  return message_lines(text);
}

// The path of the file in `dir` whose name ends with `suffix` ("" when none does).
std::string path_ending(const std::string& dir, const std::string& suffix) {
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    if (entry.path().filename().string().ends_with(suffix)) return entry.path().string();
  return "";
}

// The blank-separated words of `text`.
std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  return {std::istream_iterator<std::string>(in), {}};
}

bool is_stop_line(const std::string& line) {
  return line.starts_with("GGN1505S Time = ") && line.ends_with(", Collector ended");
}

class CollectorStartup : public ::testing::Test {
 protected:
  // Runs the collector with argument vector `argv` (argv[0] included) and
  // the environment a probe gives it, output into the scratch directory;
  // entries of `env` come first and so hide base entries of the same name.
  ChildResult run_as(const std::vector<std::string>& argv, std::vector<std::string> env = {}) {
    return run_program(COLLECTOR_BIN, argv, with_base(std::move(env)), dir_.path());
  }
  std::vector<std::string> with_base(std::vector<std::string> env) {
    const std::string d = dir_.path();
    for (const std::string& base :
         {"PATH=/usr/bin:/bin"s, "HOME=" + d, "PWD=" + d, "USER=tester"s, "COLL_HOSTNAME=alpha"s,
          "COLL_OUT=" + d, "COLL_PREFIX=" + d, "TZ=UTC"s})
      env.push_back(base);
    return env;
  }
  ChildResult run(std::vector<std::string> args, std::vector<std::string> env = {}) {
    args.insert(args.begin(), COLLECTOR_BIN);
    return run_as(args, env);
  }

  ScratchDir dir_;
};

// Rows of tests/data/comm/argument_files.txt.
TEST_F(CollectorStartup, ArgumentFileFailuresExit) {
  write_file(dir_, "self", "-rdbms S1 @self");
  write_file(dir_, "inner", "-filein");
  for (const auto& r : data_rows("comm/argument_files.txt", 3)) {
    SCOPED_TRACE(r[2]);
    ChildResult result = run(words(r[2]));
    EXPECT_EQ(result.exit_code, std::stoi(r[0]));
    EXPECT_EQ(message_lines(result.output), std::vector<std::string>{r[1]});
    EXPECT_EQ(printed(dir_.path()), std::vector<std::string>{});
  }
}

TEST_F(CollectorStartup, VersionDumpsHeadersAndExits) {
  // The first reading dumps the built-in program list beside argv[0] (here a
  // link to the collector, no probe); the second dumps the named files and
  // ends the process before anything else is read.
  std::filesystem::create_directory(dir_.path() + "/tools");
  std::filesystem::create_symlink(COLLECTOR_BIN, dir_.path() + "/tools/collector");
  ChildResult result =
      run_as({"tools/collector", "-version", "tools/collector", "nosuch", "-rdbms", "S1"});
  std::vector<std::string> dump = {
      "USH9053I program            vv check_in_date_time  devid compile__date_time stamp",
      "USH9054I Dump headers for tools/collector",
      std::string("USH9055I ") + (collector_version_header + 4),
      "USH9056I " + std::string(60, '-')};
  std::vector<std::string> twice = dump;
  twice.insert(twice.end(), dump.begin(), dump.end());
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(message_lines(result.output), twice);
}

// Rows of tests/data/comm/startup_stops.txt. Start-up runs until a step it
// cannot pass and stops with status 0 through the stop routine; the program never crashes on its
// way there. With a print file the copies of the messages go to the log file from the start and the
// console gets one line naming the print file; without one the stop shows on the console. Either
// way it is followed by the exit hook's line, and a print file ends with it.
TEST_F(CollectorStartup, StartupStopsThroughQuitting) {
  for (const auto& r : data_rows("comm/startup_stops.txt", 3)) {
    SCOPED_TRACE(r[1] + " " + r[2]);
    ScratchDir out;
    std::vector<std::string> env = words(r[1]);
    if (r[0] == "1") env.push_back("COLL_OUT=" + out.path());
    ChildResult result = r[2] == "(no argv)" ? run_as({}, env) : run(words(r[2]), env);
    EXPECT_EQ(result.exit_code, 0);
    const std::string log =
        r[0] == "1" ? read_whole(path_ending(out.path(), "col.log")) : result.output;
    std::vector<std::string> copies = message_lines(log);
    auto stop = std::find_if(copies.begin(), copies.end(), is_stop_line) - copies.begin();
    ASSERT_LT(stop + 1, std::ssize(copies)) << log;
    EXPECT_TRUE(copies[stop + 1].starts_with("COL9999S Exiting collector at ")) << log;
    std::vector<std::string> lines = printed(out.path());
    EXPECT_EQ(lines.empty(), r[0] == "0");
    EXPECT_TRUE(lines.empty() || is_stop_line(lines.back()));
    if (r[0] == "1") {
      const std::vector<std::string> console = message_lines(result.output, false);
      ASSERT_FALSE(console.empty());
      EXPECT_EQ(console.back(),
                "collector: start-up failed, see " + path_ending(out.path(), "col.out"));
      EXPECT_EQ(std::count_if(console.begin(), console.end(), is_stop_line), 0) << result.output;
    }
  }
}

// Rows of tests/data/comm/help_and_check.txt: --help and --check end before
// anything is started. A check reads the control files and runs the start-up
// edits with its messages on standard output, then gives its verdict, leaving
// no print file, pipe or key file.
TEST_F(CollectorStartup, HelpAndCheckEndBeforeStarting) {
  // The agent table definition is read from the working directory.
  std::filesystem::copy_file(TEST_DATA_DIR "/comm/ctl/PSTAT.PXA", dir_.file("PSTAT.PXA"));
  for (const auto& r : data_rows("comm/help_and_check.txt", 5)) {
    SCOPED_TRACE(r[4]);
    ChildResult result =
        run(words(r[4]), {"COLL_CTL_HOME=" TEST_DATA_DIR "/comm/ctl", "COLL_USESHM=0"});
    EXPECT_EQ(result.exit_code, std::stoi(r[0]));
    const std::vector<std::string> lines = message_lines(result.output, false);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), r[1]);
    EXPECT_NE(std::find(lines.begin(), lines.end(), r[2]), lines.end()) << result.output;
    EXPECT_EQ(lines.back(), r[3]);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1)
        << result.output;
  }
}

// The control files of tests/data/comm/ctl/qvz*.ctl under full tracing: a
// pass a second, the "npxa" process printing what was collected, a cursor
// that fails in every pass without stopping the others, SIGUSR1 logged and
// ignored, and the stop at the go_home time after 4 seconds. FLIP's IF asks
// for the name in its own last row: each pass takes the other version, whose
// insert_where selects the other person, so the collected name alternates
// (the first pass has no row to decide on and keeps the first version);
// TOTALS, a computed cursor, selects over FLIP's rows in each pass. The database
// password shows nowhere: not in the print and log files (dictionary
// parameters, PROCESS.CTL statements as read), nor in the process listing
// the signal writes, nor in the collector's own arguments as the system
// shows them.
TEST_F(CollectorStartup, RowsOfEachPassReachThePrintFileAndThePasswordNowhere) {
  make_sqlite_file(dir_.file("S1.db"),
                   "CREATE TABLE people(id INTEGER, name VARCHAR(10));"
                   "INSERT INTO people VALUES(1, 'alpha'), (2, 'beta');");
  const int pid = start_program(
      COLLECTOR_BIN,
      {COLLECTOR_BIN, "-v", "-rdbms", "S1", "-dbtype", "qvz", "-password", "topsecret"},
      with_base({"COLL_CTL_HOME=" TEST_DATA_DIR "/comm/ctl", "COLL_DBHOME=" + dir_.path()}),
      dir_.path(), dir_.file("console"));
  auto started = [&] {
    const std::vector<std::string> lines = printed(dir_.path());
    return std::any_of(lines.begin(), lines.end(),
                       [](const std::string& l) { return l.starts_with("CML1530I"); });
  };
  for (int i = 0; i < 200 && !started(); ++i) usleep(50000);
  const std::string arguments = read_whole("/proc/" + std::to_string(pid) + "/cmdline");
  kill(pid, SIGUSR1);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  std::vector<std::string> lines = printed(dir_.path());
  ASSERT_FALSE(lines.empty());
  auto count = [&](const char* line) { return std::count(lines.begin(), lines.end(), line); };
  const auto passes = count("CIR1650I Npxa for NAMES");
  EXPECT_GE(passes, 2);  // a loaded machine may delay a pass
  EXPECT_LE(passes, 4);
  std::map<std::string, std::string> values;  // the second column's, by cursor
  std::string cursor, names, flips, totals;
  for (const std::string& l : lines) {
    if (l.starts_with("CIR1650I Npxa for ")) cursor = l.substr(18);
    if (l.starts_with("CPR1895I #=2,")) values[cursor] += l.substr(l.rfind(':') + 1) + " ";
  }
  for (int i = 0; i < passes; ++i) {
    names += "alpha beta ";
    flips += i % 2 ? "alpha " : "beta ";
    totals += i % 2 ? "10 " : "20 ";  // SUM(id)*10 over FLIP's row
  }
  EXPECT_EQ(values, (std::map<std::string, std::string>{
                        {"NAMES", names}, {"FLIP", flips}, {"TOTALS", totals}}));
  EXPECT_GE(count("CGN1521E Interval collection failed for cursor BROKEN"), passes);
  EXPECT_GE(count("CGN1525E One or more interval cursors failed"), passes);
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
    return l.starts_with("CGN1524I Quit request received. ");
  }));
  EXPECT_TRUE(is_stop_line(lines.back()));

  EXPECT_EQ(arguments.find("topsecret"), std::string::npos);
  EXPECT_NE(arguments.find("*********"), std::string::npos);
  std::string everything;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
    if (entry.is_regular_file() && !entry.path().string().ends_with(".db"))
      everything += read_whole(entry.path());
  EXPECT_NE(everything.find("PDC2164I"), std::string::npos);  // the parameters were listed
  EXPECT_NE(everything.find("grep " + std::to_string(getpid())), std::string::npos);  // and ps ran
  EXPECT_EQ(everything.find("topsecret"), std::string::npos);
  EXPECT_EQ(everything.find("tiger"), std::string::npos);
}

}  // namespace
