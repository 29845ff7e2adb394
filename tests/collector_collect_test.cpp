// The collector program collecting from a real SQLite database: one-second
// intervals, the "npxa" process printing what was collected, and the stop at
// the go_home time of COLLECT.CTL, all read back from the print file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "child_run.h"
#include "db_test_util.h"
#include "message_lines.h"

namespace {

constexpr const char kProcessFile[] =
    "process collector;\n"
    "type local;\n"
    "logon_id scott;\n"
    "password tiger;\n"
    "interval 1;\n"
    "sleep 1;\n"
    "continuous N;\n"
    "process npxa;\n"
    "interval 1;\n"
    "end;\n";

constexpr const char kCursorFile[] =
    "cursor NAMES;\n"
    "insert into people (id, name) values (:id, :name);\n"
    "interval 1;\n"
    "samples 1;\n"
    "cursor BROKEN;\n"
    "insert into nowhere (x) values (:x);\n"
    "interval 1;\n"
    "go_home 4;\n"
    "end;\n";

constexpr const char kDictFile[] = "name HOST;\ntype CHAR(8);\nend;\n";

// The print file the collector wrote in `dir` (its name carries the host, type
// and server).
std::string print_file(const std::string& dir) {
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    if (entry.path().filename().string().ends_with("col.out")) return read_whole(entry.path());
  return "";
}

size_t count(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

TEST(CollectorCollects, RowsOfEachPassReachThePrintFile) {
  ScratchDir dir;
  make_sqlite_file(dir.file("S1.db"),
                   "CREATE TABLE people(id INTEGER, name VARCHAR(10));"
                   "INSERT INTO people VALUES(1, 'alpha'), (2, 'beta');");
  write_file(dir, "qvzproc.ctl", kProcessFile);
  write_file(dir, "qvzcoll.ctl", kCursorFile);
  write_file(dir, "qvzdict.ctl", kDictFile);
  ChildResult r = run_program(
      COLLECTOR_BIN, {COLLECTOR_BIN, "-rdbms", "S1", "-dbtype", "qvz"},
      {"PATH=/usr/bin:/bin", "HOME=" + dir.path(), "PWD=" + dir.path(), "USER=tester",
       "COLL_HOSTNAME=alpha", "COLL_OUT=" + dir.path(), "COLL_PREFIX=" + dir.path(), "TZ=UTC"},
      dir.path());
  EXPECT_TRUE(r.exited) << r.output;
  EXPECT_EQ(r.exit_code, 0);
  std::vector<std::string> lines = message_lines(print_file(dir.path()));
  ASSERT_FALSE(lines.empty());

  // A pass a second until the stop, each printing both rows.
  const size_t passes = count(lines, "CIR1650I Npxa for NAMES");
  EXPECT_GE(passes, 2u);  // a loaded machine may delay a pass
  EXPECT_LE(passes, 4u);
  std::vector<std::string> values;
  for (const std::string& l : lines)
    if (l.starts_with("CPR1895I #=2,")) values.push_back(l.substr(l.rfind(':') + 1));
  ASSERT_EQ(values.size(), 2 * passes);
  for (size_t i = 0; i < values.size(); i += 2) {
    EXPECT_EQ(values[i], "alpha");
    EXPECT_EQ(values[i + 1], "beta");
  }
  // The broken cursor failed in every pass without stopping the others.
  EXPECT_GE(count(lines, "CGN1521E Interval collection failed for cursor BROKEN"), passes);
  EXPECT_GE(count(lines, "CGN1525E One or more interval cursors failed"), passes);
  // Then the orderly stop.
  auto quit = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
    return l.starts_with("CGN1524I Quit request received. ");
  });
  ASSERT_NE(quit, lines.end());
  EXPECT_TRUE(lines.back().starts_with("GGN1505S Time = ")) << lines.back();
}

}  // namespace
