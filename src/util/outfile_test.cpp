// Output and temporary file names, backups of the print file, wrapping of the
// print and log files, and unusable output directories.
#include "util/outfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "util/banner.h"
#include "util/print.h"
#include "util/print_state.h"
#include "util/trace.h"
#include "util/util_test_fixture.h"

namespace {

class OutFileTest : public UtilTest {
 protected:
  bool exists(const std::string& name) const {
    struct stat st;
    return stat(dir_.file(name).c_str(), &st) == 0;
  }
  // Runs `body` in a child process (it may move the standard streams) and
  // returns its exit status.
  template <typename F>
  int in_child(F body) {
    fflush(stdout);
    fflush(stderr);
    pid_t pid = fork();
    if (pid == 0) {
      body();
      fflush(stdout);
      fflush(stderr);
      _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST_F(OutFileTest, OutputNames) {
  struct Row {
    const char *coll_out, *hostname, *db_type, *serverid, *name, *path;
  } rows[] = {
      // every part present
      {"/out", "alpha", "zdb", "S1", "col.out", "/out/alpha_db_S1_col.out"},
      // no settings: the bare name
      {nullptr, nullptr, nullptr, nullptr, "col.out", "col.out"},
      // empty settings count as unset
      {"", "", "", "", "col.log", "col.log"},
      // only the directory
      {"/var/coll", nullptr, nullptr, nullptr, "col.log", "/var/coll/col.log"},
      // a one-letter type leaves only its separator
      {nullptr, "alpha", "z", "S1", "col.out", "alpha__S1_col.out"},
      // host and server without type
      {nullptr, "alpha", nullptr, "S1", "hist.dat", "alpha_S1_hist.dat"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    reset_env_vars();
    env_vars.coll_out = row.coll_out;
    env_vars.hostname = row.hostname;
    env_vars.db_type = row.db_type;
    env_vars.serverid = row.serverid;
    char buffer[u_path_size];
    EXPECT_STREQ(u_createOutputFileName(buffer, row.name), row.path);
    EXPECT_STREQ(u_createOutputFileName(nullptr, row.name), row.path);
  }
}

TEST_F(OutFileTest, TemporaryNamesCarryTimeSequenceAndProcess) {
  std::string dir = dir_.file("tmp/deeper");
  env_vars.localtmpdir = env_store(dir);
  env_vars.hostname = "alpha";
  env_vars.db_type = "zdb";
  env_vars.serverid = "S1";
  std::string pid = std::to_string(getpid());
  char buffer[u_path_size];

  EXPECT_EQ(std::string(u_createTempFileName(buffer, "key", 'n')), dir + "/alpha_db_S1_key");
  EXPECT_EQ(std::string(u_createTempFileName(buffer, "key", 'N')), dir + "/alpha_db_S1_key");
  EXPECT_TRUE(exists("tmp/deeper"));
  EXPECT_EQ(std::string(u_createTempFileName(buffer, "rexec", 't')),
            dir + "/alpha_db_S1_0830051_" + pid + "_rexec");
  EXPECT_EQ(std::string(u_createTempFileName(nullptr, "rexec", 't')),
            dir + "/alpha_db_S1_0830052_" + pid + "_rexec");
  for (int i = 3; i <= 101; ++i) u_createTempFileName(buffer, "x", 't');
  EXPECT_EQ(std::string(buffer), dir + "/alpha_db_S1_083005101_" + pid + "_x");
  // after 101 the sequence starts again at 1
  EXPECT_EQ(std::string(u_createTempFileName(buffer, "x", 't')),
            dir + "/alpha_db_S1_0830051_" + pid + "_x");
}

TEST_F(OutFileTest, UncreatableTemporaryDirectoryFallsBackToDot) {
  write_whole(dir_.file("plain"), "a file, not a directory\n");
  std::string dir = dir_.file("plain/tmp");
  env_vars.localtmpdir = env_store(dir);
  StdCapture capture;
  char buffer[u_path_size];
  EXPECT_STREQ(u_createTempFileName(buffer, "key", 'n'), "./key");
  EXPECT_STREQ(u_createTempFileName(buffer, "key", 'n'), "./key");
  // reported once, in console mode since no print file is open
  std::string out = capture.out();
  std::string tail = ") Could not create path: " + dir + ", using '.'\n";
  EXPECT_EQ(out.rfind("UTF0105W OUTFILE.CPP(", 0), 0u) << out;
  ASSERT_GT(out.size(), tail.size());
  EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
  EXPECT_EQ(out.find('\n'), out.size() - 1);
}

TEST_F(OutFileTest, BackupCountClamping) {
  struct Row {
    const char* value;  // COLL_NUMOUTBAK, null when unset
    bool level4;
    int count;
  } rows[] = {
      {nullptr, false, 1},                          // unset
      {nullptr, true, 5},                           // unset with trace level 4
      {"", false, 1},                               // empty counts as unset
      {"0", false, 0},                              // no backups
      {"3", false, 3},                              //
      {"9", false, 9},                              //
      {"10", false, 9},                             // 10..9999 become 9
      {"12", false, 9},                             //
      {"9999", false, 9},                           //
      {"10000", false, 9999},                       // never above 9999
      {"-1", false, 0},                             // -9..-1 become 0
      {"-9", false, 0},                             //
      {"-10", false, 10},                           // below -9: the absolute value
      {"-12", true, 12},                            //
      {"-20000", false, 9999}, {"junk", false, 0},  // not a number reads as 0
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value ? row.value : "(unset)");
    reset_print_state();
    tracing.my_trace_all[4] = row.level4;
    if (row.value)
      setenv("COLL_NUMOUTBAK", row.value, 1);
    else
      unsetenv("COLL_NUMOUTBAK");
    EXPECT_EQ(backup_count(), row.count);
    // read once: a later change is not seen
    setenv("COLL_NUMOUTBAK", "7", 1);
    EXPECT_EQ(backup_count(), row.count);
  }
}

TEST_F(OutFileTest, BackupsKeptPerCount) {
  struct Row {
    const char* value;
    int kept;  // numbered backups present after 14 opens
  } rows[] = {
      {nullptr, 1},  // default: one backup
      {"3", 3},      // col.ou1..col.ou3
      {"12", 9},     // clamped to nine
      {"-12", 12},   // col.ou10..col.ou12 too
      {"-5", 0},     // each new file replaces the old
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value ? row.value : "(unset)");
    ScratchDir dir;
    reset_print_state();
    env_vars.coll_out = env_store(dir.path());
    if (row.value)
      setenv("COLL_NUMOUTBAK", row.value, 1);
    else
      unsetenv("COLL_NUMOUTBAK");
    for (int generation = 1; generation <= 14; ++generation) {
      FILE* f = u_openPRINTfile(nullptr);
      ASSERT_NE(f, nullptr);
      fprintf(f, "generation %d\n", generation);
      close_PRINT();
    }
    EXPECT_EQ(read_whole(dir.file("col.out")), "generation 14\n");
    for (int k = 1; k <= 13; ++k) {
      std::string backup = read_whole(dir.file("col.ou" + std::to_string(k)));
      if (k <= row.kept)
        EXPECT_EQ(backup, "generation " + std::to_string(14 - k) + "\n") << k;
      else
        EXPECT_EQ(backup, "<missing>") << k;
    }
  }
}

TEST_F(OutFileTest, WrapAfterTheLimitStartsANewFile) {
  setenv("COLL_WRAPLINES", "2", 1);
  ASSERT_NE(u_openPRINTfile(nullptr), nullptr);
  for (int i = 1; i <= 3; ++i) PRINT('i', "abc0001", "line %d\n", i);
  close_PRINT();
  EXPECT_EQ(out_file("col.out"),
            "       File wrapped -- Sun Dec  4 08:30:05 2011\n"
            "ABC0001I (083005) line 3\n");
  EXPECT_EQ(out_file("col.ou1"),
            "ABC0001I (083005) line 1\n"
            "ABC0001I (083005) line 2\n");
}

TEST_F(OutFileTest, EachWriterCountsItsOwnLines) {
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
    SCOPED_TRACE(limit);
    reset_print_state();
    std::remove(dir_.file("col.out").c_str());
    std::remove(dir_.file("col.ou1").c_str());
    setenv("COLL_WRAPLINES", limit, 1);
    ASSERT_NE(u_openPRINTfile(nullptr), nullptr);
    for (int i = 1; i <= 5; ++i) PRINT('i', "abc0001", "%d\n", i);
    close_PRINT();
    EXPECT_EQ(out_file("col.out"),
              "ABC0001I (083005) 1\nABC0001I (083005) 2\nABC0001I (083005) 3\n"
              "ABC0001I (083005) 4\nABC0001I (083005) 5\n");
    EXPECT_EQ(out_file("col.ou1"), "<missing>");
  }
}

TEST_F(OutFileTest, LogFileWrapsInItsOwnRight) {
  // The log file is the process's standard output and error: a child owns them.
  int status = in_child([&] {
    setenv("COLL_WRAPLINES", "2", 1);
    if (!u_openPRINTfile("col.log")) _exit(3);
    for (int i = 1; i <= 3; ++i) PRINT('e', "abc0001", "error %d\n", i);
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out_file("col.lo1"), "ABC0001E (083005) error 1\nABC0001E (083005) error 2\n");
  EXPECT_EQ(out_file("col.log"),
            "       File wrapped -- Sun Dec  4 08:30:05 2011\nABC0001E (083005) error 3\n");
}

TEST_F(OutFileTest, StdoutFileTruncatesTheLog) {
  write_whole(dir_.file("col.log"), "old run\n");
  int status = in_child([&] {
    if (u_openSTDOUTfile() != 0) _exit(3);
    if (print_globals.my_stdout != stdout) _exit(4);
    printf("new run\n");
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out_file("col.log"), "new run\n");
}

TEST_F(OutFileTest, UnwritableDirectoryFallsBackToConsole) {
  write_whole(dir_.file("plain"), "a file, not a directory\n");
  std::string bad = dir_.file("plain/out");
  env_vars.coll_out = env_store(bad);
  StdCapture capture;
  init_PRINT();
  EXPECT_EQ(print_stream(), nullptr);
  EXPECT_STREQ(print_globals.stder_filename, "");
  PRINT('i', "abc0001", "still here\n");
  // a later attempt fails quietly
  EXPECT_EQ(u_openPRINTfile(nullptr), nullptr);
  EXPECT_EQ(u_openSTDOUTfile(), 1);
  std::string out = capture.out();
  EXPECT_EQ(out, "CAT1995E - Can't open message ouput file: " + bad +
                     "/col.out\n"
                     "ABC0001I (083005) still here\n");
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
  FILE* f = u_openPRINTfile(nullptr);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(print_stream(), f);
  EXPECT_EQ(std::string(print_globals.stder_filename), dir_.file("colx.out"));
  PRINT('i', "abc0001", "in colx\n");
  close_PRINT();
  EXPECT_EQ(capture.out(),
            "CAT1995E - Can't open message ouput file: " + dir_.file("col.out") + "\n");
  EXPECT_EQ(out_file("colx.out"), "ABC0001I (083005) in colx\n");
}

TEST_F(OutFileTest, BannerOpensThePrintFile) {
  StdCapture capture;
  init_PRINT();
  ASSERT_NE(print_stream(), nullptr);
  close_PRINT();
  std::string file = out_file("col.out");
  EXPECT_EQ(file.substr(0, file.find("CAT2020")),
            "CAT2015I (083005) collector - data collector of the database monitoring agent\n");
  EXPECT_NE(file.find("CAT2035I (083005) Time = 2011/12/04 08:30:05\n"), std::string::npos);
  EXPECT_NE(file.find("USH0100I (083005) util            1.0.0 05Dec2026 --:--:--   coll "),
            std::string::npos);
  // class a is copied to the log as well
  EXPECT_EQ(capture.err(), file);
}

TEST_F(OutFileTest, VersionHeaderLayouts) {
  struct Row {
    const char* text;
    const char* line;
  } rows[] = {
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
      // fewer fields: the text as it stands
      {"just a note", "just a note"},
  };
  for (const Row& row : rows) {
    char line[200];
    format_version_header(row.text, line, sizeof line);
    EXPECT_STREQ(line, row.line) << row.text;
  }
}

}  // namespace
