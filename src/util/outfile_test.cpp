// Output and temporary file names, backups of the print file, wrapping of the
// print and log files, and unusable output directories.
#include "util/outfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <tuple>

#include "child_run.h"
#include "util/banner.h"
#include "util/print.h"
#include "util/print_state.h"
#include "util/trace.h"
#include "util/util_test_fixture.h"

namespace {

class OutFileTest : public UtilTest {
 protected:
  void set_env(const char* name, const char* value) {
    value ? setenv(name, value, 1) : unsetenv(name);
  }
};

TEST_F(OutFileTest, OutputNames) {
  // coll_out, hostname, db_type, serverid, name, path
  using parts =
      std::tuple<const char*, const char*, const char*, const char*, const char*, const char*>;
  const parts cases[] = {
      {"/out", "alpha", "zdb", "S1", "col.out", "/out/alpha_db_S1_col.out"},  // every part
      {nullptr, nullptr, nullptr, nullptr, "col.out", "col.out"},             // the bare name
      {"", "", "", "", "col.log", "col.log"},  // empty settings count as unset
      {nullptr, "alpha", "z", "S1", "col.out", "alpha__S1_col.out"},       // one-letter type
      {nullptr, "alpha", nullptr, "S1", "hist.dat", "alpha_S1_hist.dat"},  // no type
  };
  for (auto [out, host, type, server, name, path] : cases) {
    std::tie(env_vars.coll_out, env_vars.hostname, env_vars.db_type, env_vars.serverid) =
        std::tie(out, host, type, server);
    char buffer[u_path_size];
    EXPECT_STREQ(u_createOutputFileName(buffer, name), path);
    EXPECT_STREQ(u_createOutputFileName(nullptr, name), path);
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
  const std::tuple<const char*, bool, int> cases[] = {
      // COLL_NUMOUTBAK (null: unset), trace level 4, numbered backups after 14 opens
      {nullptr, false, 1},   // unset: one
      {nullptr, true, 5},    // unset with trace level 4: five
      {"", false, 1},        // empty counts as unset
      {"0", false, 0},       // none
      {"12", false, 9},      // 10..9999 become 9
      {"10000", false, 13},  // above: 9999 at most
      {"-9", false, 0},      // -9..-1 become 0: each new file replaces the old
      {"-12", false, 12},    // below -9: the absolute value
      {"junk", false, 0},    // not a number reads as 0
  };
  for (auto [value, level4, kept] : cases) {
    SCOPED_TRACE(value ? value : "(unset)");
    ScratchDir dir;
    reset_print_state();
    tracing.my_trace_all[4] = level4;
    env_vars.coll_out = env_store(dir.path());
    set_env("COLL_NUMOUTBAK", value);
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
}

TEST_F(OutFileTest, ZeroOrNegativeLimitNeverWraps) {
  for (const char* limit : {"0", "-2"}) {
    reset_print_state();
    std::remove(dir_.file("col.out").c_str());
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

TEST_F(OutFileTest, BannerOpensThePrintFile) {
  StdCapture capture;
  init_PRINT();
  close_PRINT();
  std::string file = out_file("col.out");
  EXPECT_EQ(file.substr(0, file.find("CAT2020")),
            "CAT2015I (083005) collector - data collector of the database monitoring agent\n");
  EXPECT_NE(file.find("CAT2035I (083005) Time = 2011/12/04 08:30:05\n"), std::string::npos);
  EXPECT_NE(file.find("USH0100I (083005) util            1.0.0 05Dec2026 --:--:--   coll "),
            std::string::npos);
  EXPECT_EQ(capture.err(), file);  // class a is copied to the log as well
}

TEST_F(OutFileTest, VersionHeaderLayouts) {
  const std::pair<const char*, const char*> cases[] = {
      // twelve fields: the full layout, the stamp being the rest of the text
      {"print 1.2 05 Dec 2026 10:11:12 ab 06 Dec 2026 13:14:15 build 77",
       "print             1.2 05Dec2026 10:11:12     ab 06Dec2026 13:14:15 build 77"},
      // eleven fields: cut after the compile time
      {"print 1.2 05 Dec 2026 10:11:12 ab 06 Dec 2026 13:14:15",
       "print             1.2 05Dec2026 10:11:12     ab 06Dec2026 13:14:15"},
      // seven to ten fields: cut after the author
      {"print 1.2 05 Dec 2026 10:11:12 ab 06", "print             1.2 05Dec2026 10:11:12     ab"},
      // fields are cut to their widths
      {"a_very_long_program 123456789 5 December 20261 10:11:12:13 author1",
       "a_very_long_ 12345678  5Dec2026 10:11:12 author"},
      {"just a note", "just a note"},  // fewer fields: the text as it stands
  };
  for (auto [text, want] : cases) {
    char line[200];
    format_version_header(text, line, sizeof line);
    EXPECT_STREQ(line, want) << text;
  }
}

}  // namespace
