// Output and temporary file names, backups of the print file, wrapping of the
// print and log files, and unusable output directories.
#include "util/outfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "child_run.h"
#include "util/banner.h"
#include "util/print.h"
#include "util/print_state.h"
#include "util/trace.h"
#include "util_fixture.h"

namespace {

using OutFileTest = UtilTest;

TEST_F(OutFileTest, OutputNames) {
  for (const auto& row : data_rows("util/output_names.txt", 6)) {
    const char** settings[] = {&env_vars.coll_out, &env_vars.hostname, &env_vars.db_type,
                               &env_vars.serverid};
    for (int i = 0; i < 4; ++i) *settings[i] = row[i] == "-" ? nullptr : env_store(row[i]);
    char buffer[u_path_size];
    EXPECT_EQ(u_createOutputFileName(buffer, row[4].c_str()), row[5]);
    EXPECT_EQ(u_createOutputFileName(nullptr, row[4].c_str()), row[5]);
  }
}

TEST_F(OutFileTest, TemporaryNamesCarryTimeSequenceAndProcess) {
  std::string dir = dir_.file("tmp/deeper");
  env_vars.localtmpdir = env_store(dir);
  env_vars.hostname = "alpha";
  std::string pid = std::to_string(getpid());
  char buffer[u_path_size];
  EXPECT_EQ(std::string(u_createTempFileName(buffer, "key", 'N')), dir + "/alpha_key");
  EXPECT_EQ(std::string(u_createTempFileName(nullptr, "rexec", 't')),
            dir + "/alpha_0830051_" + pid + "_rexec");
  for (int i = 2; i <= 101; ++i) u_createTempFileName(buffer, "x", 't');
  EXPECT_EQ(std::string(buffer), dir + "/alpha_083005101_" + pid + "_x");
  // after 101 the sequence starts again at 1
  EXPECT_EQ(std::string(u_createTempFileName(buffer, "x", 't')),
            dir + "/alpha_0830051_" + pid + "_x");
}

TEST_F(OutFileTest, UncreatableTemporaryDirectoryFallsBackToDot) {
  write_whole(dir_.file("plain"), "a file, not a directory\n");
  env_vars.localtmpdir = env_store(dir_.file("plain/tmp"));
  StdCapture capture;
  char buffer[u_path_size];
  EXPECT_STREQ(u_createTempFileName(buffer, "key", 'n'), "./key");
  EXPECT_STREQ(u_createTempFileName(buffer, "key", 'n'), "./key");
  // reported once, in console mode since no print file is open
  std::string out = capture.out();
  EXPECT_EQ(out.substr(0, 21), "UTF0105W OUTFILE.CPP(");
  EXPECT_EQ(out.substr(out.find(')')),
            ") Could not create path: " + dir_.file("plain/tmp") + ", using '.'\n");
}

TEST_F(OutFileTest, BackupsKeptPerCount) {
  for (const auto& row : data_rows("util/backups.txt", 3)) {
    SCOPED_TRACE(row[0]);
    int kept = std::stoi(row[2]);
    ScratchDir dir;
    reset_print_state();
    tracing.my_trace_all[4] = row[1] == "1";
    env_vars.coll_out = env_store(dir.path());
    row[0] == "-" ? unsetenv("COLL_NUMOUTBAK") : setenv("COLL_NUMOUTBAK", row[0].c_str(), 1);
    for (int generation = 1; generation <= 14; ++generation) {
      FILE* f = u_openPRINTfile(nullptr);
      ASSERT_NE(f, nullptr);
      fprintf(f, "generation %d\n", generation);
      close_PRINT();
      setenv("COLL_NUMOUTBAK", "7", 1);  // read once: a later change is not seen
    }
    EXPECT_EQ(read_whole(dir.file("col.out")), "generation 14\n");
    for (int k = 1; k <= 13; ++k)
      EXPECT_EQ(read_whole(dir.file("col.ou" + std::to_string(k))),
                k <= kept ? "generation " + std::to_string(14 - k) + "\n" : "<missing>")
          << k;
  }
}

TEST_F(OutFileTest, EachWriterCountsItsOwnLinesToTheWrap) {
  setenv("COLL_WRAPLINES", "2", 1);
  ASSERT_NE(u_openPRINTfile(nullptr), nullptr);
  PRINT('i', "abc0001", "p1\n");
  u_msg(nullptr, nullptr, 0, "i", "abc0002", "u1");
  PRINT('i', "abc0001", "p2\n");
  u_msg(nullptr, nullptr, 0, "i", "abc0002", "u2");
  EXPECT_EQ(out_file("col.ou1"), "<missing>");
  PRINT('i', "abc0001", "p3\n");
  close_PRINT();
  EXPECT_EQ(out_file("col.ou1"),
            "ABC0001I (083005) p1\nABC0002I u1\nABC0001I (083005) p2\nABC0002I u2\n");
  EXPECT_EQ(out_file("col.out"),
            "       File wrapped -- Sun Dec  4 08:30:05 2011\nABC0001I (083005) p3\n");
  // A limit of zero or below never wraps.
  for (const char* limit : {"0", "-2"}) {
    reset_print_state();
    for (const char* name : {"col.out", "col.ou1"}) std::remove(dir_.file(name).c_str());
    setenv("COLL_WRAPLINES", limit, 1);
    ASSERT_NE(u_openPRINTfile(nullptr), nullptr);
    for (int i = 1; i <= 3; ++i) PRINT('i', "abc0001", "%d\n", i);
    close_PRINT();
    EXPECT_EQ(out_file("col.out"),
              "ABC0001I (083005) 1\nABC0001I (083005) 2\nABC0001I (083005) 3\n")
        << limit;
    EXPECT_EQ(out_file("col.ou1"), "<missing>");
  }
}

TEST_F(OutFileTest, LogFileWrapsAndStdoutFileTruncatesIt) {
  // The log file is the process's standard output and error: a child owns them.
  EXPECT_EQ(run_in_child([&] {
              setenv("COLL_WRAPLINES", "2", 1);
              if (!u_openPRINTfile("col.log")) _exit(3);
              for (int i = 1; i <= 3; ++i) PRINT('e', "abc0001", "error %d\n", i);
            }).exit_code,
            kChildReturned);
  EXPECT_EQ(out_file("col.lo1"), "ABC0001E (083005) error 1\nABC0001E (083005) error 2\n");
  EXPECT_EQ(out_file("col.log"),
            "       File wrapped -- Sun Dec  4 08:30:05 2011\nABC0001E (083005) error 3\n");
  EXPECT_EQ(run_in_child([&] {
              if (u_openSTDOUTfile() != 0 || print_globals.my_stdout != stdout) _exit(3);
              printf("new run\n");
            }).exit_code,
            kChildReturned);
  EXPECT_EQ(out_file("col.log"), "new run\n");
}

TEST_F(OutFileTest, UnwritableDirectoryFallsBackToConsole) {
  write_whole(dir_.file("plain"), "a file, not a directory\n");
  std::string bad = dir_.file("plain/out");
  env_vars.coll_out = env_store(bad);
  StdCapture capture;
  init_PRINT();
  EXPECT_EQ(print_stream(), nullptr);
  PRINT('i', "abc0001", "still here\n");
  // a later attempt fails quietly
  EXPECT_EQ(u_openPRINTfile(nullptr), nullptr);
  EXPECT_EQ(u_openSTDOUTfile(), 1);
  EXPECT_EQ(capture.out(), "CAT1995E - Can't open message ouput file: " + bad +
                               "/col.out\nABC0001I (083005) still here\n");
  std::string err = capture.err();
  EXPECT_EQ(err.substr(0, err.find('\n') + 1),
            "CAT2014E (083005) '.out' open error all messages will go to stdout\n");
  EXPECT_NE(err.find("CAT2035I (083005) Time = 2011/12/04 08:30:05\n"), std::string::npos);
}

TEST_F(OutFileTest, FirstFailureRetriesAsColx) {
  // "col.out" is a directory here, so only the substitute name can open.
  ASSERT_EQ(mkdir(dir_.file("col.out").c_str(), 0700), 0);
  setenv("COLL_NUMOUTBAK", "0", 1);
  StdCapture capture;
  ASSERT_NE(u_openPRINTfile(nullptr), nullptr);
  PRINT('i', "abc0001", "in colx\n");
  close_PRINT();
  EXPECT_EQ(capture.out(),
            "CAT1995E - Can't open message ouput file: " + dir_.file("col.out") + "\n");
  EXPECT_EQ(out_file("colx.out"), "ABC0001I (083005) in colx\n");
}

TEST_F(OutFileTest, VersionHeaderLayouts) {
  for (const auto& row : data_rows("util/version_headers.txt", 2)) {
    char line[200];
    format_version_header(row[0].c_str(), line, sizeof line);
    EXPECT_EQ(line, row[1]) << row[0];
  }
}

}  // namespace
