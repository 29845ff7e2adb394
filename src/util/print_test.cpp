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
  // Runs `write` with the print file open; returns the print file's content
  // and the standard error and output written meanwhile.
  template <typename F>
  void run_with_print_file(F write, std::string* file, std::string* err, std::string* out) {
    StdCapture capture;
    ASSERT_NE(u_openPRINTfile(nullptr), nullptr);
    write();
    close_PRINT();
    *err = capture.err();
    *out = capture.out();
    *file = out_file("col.out");
  }
};

TEST_F(PrintTest, HeaderAndDestinationPerClass) {
  struct Row {
    char cls;
    const char* id;
    bool level0;
    const char* file;  // the print file's whole content
    const char* err;   // standard error's whole content
    int result;
  } rows[] = {
      // a is shown as I and copied to the log
      {'a', "cml1530", false, "CML1530I (083005) text x\n", "CML1530I (083005) text x\n", 25},
      {'e', "pcc0455", false, "PCC0455E (083005) text x\n", "PCC0455E (083005) text x\n", 25},
      {'s', "cgn1524", false, "CGN1524S (083005) text x\n", "CGN1524S (083005) text x\n", 25},
      // i, t and w stay in the print file
      {'i', "cml1530", false, "CML1530I (083005) text x\n", "", 25},
      {'t', "cml1530", false, "CML1530T (083005) text x\n", "", 25},
      {'w', "cml1530", false, "CML1530W (083005) text x\n", "", 25},
      // h needs trace level 0 and is shown as T
      {'h', "cml1530", false, "", "", 0},
      {'h', "cml1530", true, "CML1530T (083005) text x\n", "", 25},
      // an unlisted letter is shown as itself and copied
      {'q', "cml1530", false, "CML1530Q (083005) text x\n", "CML1530Q (083005) text x\n", 25},
      // upper case classes behave as lower case ones
      {'E', "pcc0455", false, "PCC0455E (083005) text x\n", "PCC0455E (083005) text x\n", 25},
      // no header for class "-" nor for empty, null or blank-led ids
      {'-', "cml1530", false, "text x\n", "", 7},
      {'i', "", false, "text x\n", "", 7},
      {'i', nullptr, false, "text x\n", "", 7},
      {'i', " cml1530", false, "text x\n", "", 7},
      // a "." id stands as written: no letter, no time, its own case
      {'i', ".Upx0100", false, "Upx0100text x\n", "", 14},
      // the header is cut to 49 characters
      {'i', "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz", false,
       "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWtext x\n", "", 56},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(1, row.cls) + " " + (row.id ? row.id : "(null)"));
    reset_process_state();
    env_vars.coll_out = env_store(dir_.path());
    tracing.my_trace_all[0] = row.level0;
    int result = -1;
    std::string file, err, out;
    run_with_print_file([&] { result = PRINT(row.cls, row.id, "text %s\n", "x"); }, &file, &err,
                        &out);
    EXPECT_EQ(file, row.file);
    EXPECT_EQ(err, row.err);
    EXPECT_EQ(out, "");
    EXPECT_EQ(result, row.result);
  }
}

TEST_F(PrintTest, UmsgOptionLetters) {
  struct Row {
    const char* cls;
    const char* id;
    const char* sender;
    int level;  // trace level switched on, -1 none
    const char* file;
    const char* err;
  } rows[] = {
      // defaults: header and source position on, time only for t and h
      {"e", "abc0001", nullptr, -1, "ABC0001E X.CPP(42) hello\n", "ABC0001E X.CPP(42) hello\n"},
      {"t", "abc0001", nullptr, -1, "ABC0001T (083005) X.CPP(42) hello\n", ""},
      {"", "abc0001", nullptr, -1, "ABC0001T (083005) X.CPP(42) hello\n", ""},
      {"a", "abc0001", nullptr, -1, "ABC0001I X.CPP(42) hello\n", "ABC0001I X.CPP(42) hello\n"},
      // T and P switch time and position off, t and p on
      {"tTP", "abc0001", nullptr, -1, "ABC0001T hello\n", ""},
      {"iPt", "abc0001", nullptr, -1, "ABC0001I (083005) hello\n", ""},
      {"iPp", "abc0001", nullptr, -1, "ABC0001I X.CPP(42) hello\n", ""},
      // u keeps the header's case (the letter is always upper case)
      {"iu", "abc0001", nullptr, -1, "abc0001I x.cpp(42) hello\n", ""},
      // l and L switch the copy to standard error
      {"iPl", "abc0001", nullptr, -1, "ABC0001I hello\n", "ABC0001I hello\n"},
      {"ePL", "abc0001", nullptr, -1, "ABC0001E hello\n", ""},
      // H drops the header, h brings it back
      {"aH", "abc0001", nullptr, -1, "hello\n", "hello\n"},
      {"aHhP", "abc0001", nullptr, -1, "ABC0001I hello\n", "ABC0001I hello\n"},
      // "-" suppresses the message
      {"e-", "abc0001", nullptr, -1, "", ""},
      // h tests level 0, h<n> level n
      {"h", "abc0001", nullptr, -1, "", ""},
      {"h", "abc0001", nullptr, 0, "ABC0001T (083005) X.CPP(42) hello\n", ""},
      {"h3P", "abc0001", nullptr, 3, "ABC0001T (083005) hello\n", ""},
      {"h3P", "abc0001", nullptr, 0, "", ""},
      // a leading "." of the id is dropped
      {"iP", ".abc0001", nullptr, -1, "ABC0001I hello\n", ""},
      // the sender shows with trace level 6, after upper-casing
      {"iP", "abc0001", "cursorA", 6, "ABC0001I cursorA hello\n", ""},
      {"iP", "abc0001", "cursorA", -1, "ABC0001I hello\n", ""},
      // class - writes no header
      {"-", "abc0001", nullptr, -1, "hello\n", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.cls) + " " + row.id);
    reset_process_state();
    env_vars.coll_out = env_store(dir_.path());
    if (row.level >= 0) tracing.my_trace_all[row.level] = 1;
    std::string file, err, out;
    run_with_print_file(
        [&] { u_msg(row.sender, "src/util/x.cpp", 42, row.cls, row.id, "%s", "hello"); }, &file,
        &err, &out);
    EXPECT_EQ(file, row.file);
    EXPECT_EQ(err, row.err);
  }
}

TEST_F(PrintTest, UmsgClassXTakesIdAndLetterFromTheFormat) {
  std::string file, err, out;
  int result = 0;
  run_with_print_file(
      [&] {
        // The formats are not literals: their % must reach the file untouched.
        const char* error = "abc1234E left as %d is";
        const char* info = "abc1235i info";
        result = u_msg(nullptr, "x.cpp", 7, "xP", "ignored", error, 0);
        u_msg(nullptr, "x.cpp", 7, "x", nullptr, info, 0);
      },
      &file, &err, &out);
  EXPECT_EQ(file, "ABC1234E left as %d is\nABC1235I X.CPP(7) info\n");
  EXPECT_EQ(err, "ABC1234E left as %d is\n");
  EXPECT_EQ(result, 23);
}

TEST_F(PrintTest, EmptyExpansionBecomesTheErrorText) {
  std::string file, err, out;
  run_with_print_file(
      [&] {
        PRINT('i', "abc0001", "%s", "");
        u_msg(nullptr, nullptr, 0, "iP", "abc0002", "%s", "");
      },
      &file, &err, &out);
  EXPECT_EQ(file,
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
  std::string out = capture.out();
  EXPECT_EQ(out,
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
