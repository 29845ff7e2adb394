// Message headers per class and option letter, console mode and the console
// prefix, and what lands in the print file versus standard error.
#include "util/print.h"

#include <gtest/gtest.h>

#include <string>

#include "util/outfile.h"
#include "util/print_state.h"
#include "util/trace.h"
#include "util/util_test_fixture.h"

namespace {

class PrintTest : public UtilTest {
 protected:
  struct written {
    std::string file, err, out;  // the print file, standard error and output
  };
  // Runs `write` with the print file open; returns what it wrote where.
  template <typename F>
  written with_print_file(F write) {
    StdCapture capture;
    EXPECT_NE(u_openPRINTfile(nullptr), nullptr);
    write();
    close_PRINT();
    return {out_file("col.out"), capture.err(), capture.out()};
  }
};

TEST_F(PrintTest, HeaderAndDestinationPerClass) {
  const struct {
    char cls;
    const char* id;
    bool level0, copied;  // trace level 0 on; the line copied to standard error
    const char* line;     // the print file's whole content
    int result;
  } rows[] = {
      {'a', "cml1530", false, true, "CML1530I (083005) text x\n", 25},  // a is shown as I
      {'e', "pcc0455", false, true, "PCC0455E (083005) text x\n", 25},
      {'i', "cml1530", false, false, "CML1530I (083005) text x\n", 25},  // i and w stay
      {'w', "cml1530", false, false, "CML1530W (083005) text x\n", 25},
      {'h', "cml1530", false, false, "", 0},                            // h needs level 0
      {'h', "cml1530", true, false, "CML1530T (083005) text x\n", 25},  // and is shown as T
      {'q', "cml1530", false, true, "CML1530Q (083005) text x\n", 25},  // unlisted: as itself
      {'E', "pcc0455", false, true, "PCC0455E (083005) text x\n", 25},  // upper case as lower
      {'-', "cml1530", false, false, "text x\n", 7},                    // class -: no header
      {'i', nullptr, false, false, "text x\n", 7},                      // nor for a null id
      {'i', " cml1530", false, false, "text x\n", 7},                   // nor a blank-led one
      {'i', ".Upx0100", false, false, "Upx0100text x\n", 14},  // "." id: as written, no time
      // the header is cut to 49 characters
      {'i', "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz", false, false,
       "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWtext x\n", 56},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(1, row.cls) + " " + (row.id ? row.id : "(null)"));
    reset_process_state();
    env_vars.coll_out = env_store(dir_.path());
    tracing.my_trace_all[0] = row.level0;
    int result = -1;
    written w = with_print_file([&] { result = PRINT(row.cls, row.id, "text %s\n", "x"); });
    EXPECT_EQ(w.file, row.line);
    EXPECT_EQ(w.err, row.copied ? row.line : "");
    EXPECT_EQ(w.out, "");
    EXPECT_EQ(result, row.result);
  }
}

TEST_F(PrintTest, UmsgOptionLetters) {
  const struct {
    const char *cls, *id, *sender;
    int level;  // trace level switched on, -1 none
    bool copied;
    const char* line;
  } rows[] = {
      // defaults: header and source position on, time only for t and h
      {"e", "abc0001", nullptr, -1, true, "ABC0001E X.CPP(42) hello\n"},
      {"", "abc0001", nullptr, -1, false, "ABC0001T (083005) X.CPP(42) hello\n"},
      {"a", "abc0001", nullptr, -1, true, "ABC0001I X.CPP(42) hello\n"},
      // T and P switch time and position off, t on
      {"tTP", "abc0001", nullptr, -1, false, "ABC0001T hello\n"},
      {"iPt", "abc0001", nullptr, -1, false, "ABC0001I (083005) hello\n"},
      // u keeps the header's case (the letter is always upper case)
      {"iu", "abc0001", nullptr, -1, false, "abc0001I x.cpp(42) hello\n"},
      // l and L switch the copy to standard error
      {"iPl", "abc0001", nullptr, -1, true, "ABC0001I hello\n"},
      {"ePL", "abc0001", nullptr, -1, false, "ABC0001E hello\n"},
      // H drops the header, h brings it back
      {"aH", "abc0001", nullptr, -1, true, "hello\n"},
      {"aHhP", "abc0001", nullptr, -1, true, "ABC0001I hello\n"},
      {"e-", "abc0001", nullptr, -1, false, ""},  // "-" suppresses the message
      // h tests level 0, h<n> level n
      {"h", "abc0001", nullptr, -1, false, ""},
      {"h", "abc0001", nullptr, 0, false, "ABC0001T (083005) X.CPP(42) hello\n"},
      {"h3P", "abc0001", nullptr, 3, false, "ABC0001T (083005) hello\n"},
      {"iP", ".abc0001", nullptr, -1, false, "ABC0001I hello\n"},  // a leading "." is dropped
      // the sender shows with trace level 6
      {"iP", "abc0001", "cursorA", 6, false, "ABC0001I cursorA hello\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.cls) + " " + row.id);
    reset_process_state();
    env_vars.coll_out = env_store(dir_.path());
    if (row.level >= 0) tracing.my_trace_all[row.level] = 1;
    written w = with_print_file(
        [&] { u_msg(row.sender, "src/util/x.cpp", 42, row.cls, row.id, "%s", "hello"); });
    EXPECT_EQ(w.file, row.line);
    EXPECT_EQ(w.err, row.copied ? row.line : "");
  }
}

TEST_F(PrintTest, UmsgClassXTakesIdAndLetterFromTheFormat) {
  int result = 0;
  written w = with_print_file([&] {
    // The formats are not literals: their % must reach the file untouched.
    const char* error = "abc1234E left as %d is";
    const char* info = "abc1235i info";
    result = u_msg(nullptr, "x.cpp", 7, "xP", "ignored", error, 0);
    u_msg(nullptr, "x.cpp", 7, "x", nullptr, info, 0);
  });
  EXPECT_EQ(w.file, "ABC1234E left as %d is\nABC1235I X.CPP(7) info\n");
  EXPECT_EQ(w.err, "ABC1234E left as %d is\n");
  EXPECT_EQ(result, 23);
}

TEST_F(PrintTest, EmptyExpansionBecomesTheErrorText) {
  written w = with_print_file([&] {
    PRINT('i', "abc0001", "%s", "");
    u_msg(nullptr, nullptr, 0, "iP", "abc0002", "%s", "");
  });
  EXPECT_EQ(w.file,
            "ABC0001I (083005)  *** vsprintf error **** "
            "ABC0002I  *** vsprintf error **** \n");
}

TEST_F(PrintTest, ConsoleModeUsesStandardOutputAndThePrefix) {
  StdCapture capture;
  EXPECT_EQ(PRINT('i', "abc0001", "one\n"), 22);
  EXPECT_EQ(PRINT('@', "[db1] ", "\n"), 0);
  EXPECT_STREQ(msg_prefix(), "[db1] ");
  PRINT('w', "abc0002", "two\n");
  u_msg(nullptr, "x.cpp", 3, "iP", "abc0003", "three");
  // copied classes go to standard error only, without the prefix
  EXPECT_EQ(PRINT('e', "abc0004", "four\n"), 1);
  u_msg(nullptr, nullptr, 0, "@", nullptr, "%s", "");
  PRINT('i', "abc0005", "five\n");
  EXPECT_EQ(capture.out(),
            "ABC0001I (083005) one\n"
            "[db1] ABC0002W (083005) two\n"
            "[db1] ABC0003I three\n"
            "ABC0005I (083005) five\n");
  EXPECT_EQ(capture.err(), "ABC0004E (083005) four\n");
}

TEST_F(PrintTest, FailedWriteGoesToStandardErrorMarked) {
  StdCapture capture;
  ASSERT_NE(u_openPRINTfile(nullptr), nullptr);
  // An unbuffered stream on a full device reports the failure at once.
  fclose(print_globals.stder);
  print_globals.stder = fopen("/dev/full", "w");
  ASSERT_NE(print_globals.stder, nullptr);
  setvbuf(print_globals.stder, nullptr, _IONBF, 0);
  EXPECT_LT(PRINT('i', "abc0001", "lost?\n"), 0);
  close_PRINT();
  EXPECT_EQ(capture.err(), "+ ABC0001I (083005) lost?\n");
}

}  // namespace
