// Age-to copies and history files through the real programs: a collector runs
// a cursor every second with an age-to copy and history on, the probe reads
// the cursor and its copy, and the historian's file holds whole records.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "child_run.h"
#include "db_test_util.h"

namespace {
using namespace std::chrono_literals;

class HistoryProbeEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    make_sqlite_file(dir_.file("S1.db"),
                     "CREATE TABLE h(name VARCHAR(6)); INSERT INTO h VALUES('ab'),('cd');"
                     "CREATE VIEW hosts AS SELECT name, CAST(strftime('%s', 'now') AS INTEGER)"
                     " AS s FROM h;");
    std::filesystem::create_directory(dir_.file("ctl"));
    write_file(dir_, "ctl/zdbdict.ctl", "name HOST;\ntype CHAR(8);\nend;\n");
    // SRC's second column is the second of its run, so samples differ.
    write_file(dir_, "ctl/zdbcoll.ctl",
               "cursor SRC;\ninsert into hosts (name, s) values (:name, :INT!s);\n"
               "interval 1;\nhistory;\nage_to PREV;\n"
               "cursor PREV;\ninsert into hosts (name) values (:name);\ninterval 1;\nend;\n");
    write_file(dir_, "ctl/zdbproc.ctl",
               "process collector;\ntype local;\nlogon_id scott;\npassword tiger;\n"
               "interval 1;\nsleep 1;\nprocess historian;\ninterval 1;\n"
               "process pxa;\ninterval 1;\nend;\n");
    const std::string& d = dir_.path();
    env_ = {"PATH=/usr/bin:/bin",  "USER=tester",      "TZ=UTC",
            "COLL_HOSTNAME=alpha", "COLL_VERSION=zdb", "COLL_USESHM=0",
            "COLL_WAIT_TIMEOUT=3", "COLL_SERVERID=S1", "COLL_CTL_HOME=" + dir_.file("ctl")};
    for (const char* name : {"HOME", "PWD", "COLL_DBHOME", "COLL_PREFIX", "COLL_PREFIX_LOCAL",
                             "COLL_OUT", "COLL_HOME"})
      env_.push_back(std::string(name) + "=" + d);
  }
  void TearDown() override {
    if (collector_ > 0 && kill(collector_, SIGKILL) == 0) waitpid(collector_, nullptr, 0);
  }

  // The csv rows of `cursor` (header dropped), asked until it has two.
  std::vector<std::string> answer(const char* cursor) {
    std::vector<std::string> rows;
    for (auto end = std::chrono::steady_clock::now() + 30s;
         rows.size() < 2 && std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(200ms)) {
      ChildResult r = run_program(PROBE_BIN, {PROBE_BIN, "-f", "csv", cursor}, env_, dir_.path());
      rows.clear();
      std::istringstream in(r.output);
      std::string line;
      std::getline(in, line);
      while (std::getline(in, line)) rows.push_back(line);
    }
    return rows;
  }
  static long second_of(const std::string& row) { return std::stol(row.substr(row.find(',') + 1)); }

  ScratchDir dir_;
  std::vector<std::string> env_;
  pid_t collector_ = -1;
};

TEST_F(HistoryProbeEndToEnd, CopyHoldsThePreviousSampleAndHistoryHasWholeRecords) {
  collector_ =
      start_program(COLLECTOR_BIN, {COLLECTOR_BIN}, env_, dir_.path(), dir_.file("collector.log"));
  std::this_thread::sleep_for(2500ms);  // a few runs, so that PREV holds an older sample
  std::vector<std::string> src = answer("SRC");
  std::vector<std::string> prev = answer("PREV");
  ASSERT_EQ(src.size(), 2u) << read_whole(dir_.file("collector.log"));
  ASSERT_EQ(prev.size(), 2u) << read_whole(dir_.file("collector.log"));
  EXPECT_EQ(src[0].substr(0, 3), "ab,");
  EXPECT_EQ(prev[1].substr(0, 3), "cd,");
  // PREV was asked after SRC: it holds the sample SRC showed or an older one.
  EXPECT_LE(second_of(prev[0]), second_of(src[0]));
  std::vector<std::string> now = answer("SRC");
  EXPECT_LT(second_of(prev[0]), second_of(now[0]) + 1);

  std::this_thread::sleep_for(1500ms);
  std::ifstream in(dir_.file("SRC.HST"), std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), {});
  ASSERT_FALSE(all.empty()) << read_whole(dir_.file("collector.log"));
  EXPECT_EQ(all.back(), '\n');
  // Pass time, the name at its place, then the second of the run.
  static const std::regex record(R"(\d{14}(ab|cd) +\d+ *)");
  std::istringstream lines(all);
  int count = 0;
  for (std::string line; std::getline(lines, line); ++count)
    EXPECT_TRUE(std::regex_match(line, record)) << "[" << line << "]";
  EXPECT_GE(count, 4);  // two rows of at least two passes
}

}  // namespace
