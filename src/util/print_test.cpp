// Message headers per class and option letter, console mode and the console
// prefix, and what lands in the print file versus standard error.
#include "util/print.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/outfile.h"
#include "util/print_state.h"
#include "util/trace.h"
#include "util_fixture.h"

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

// PRINT per class letter, u_msg per option letters.
TEST_F(PrintTest, HeaderAndDestination) {
  auto fresh = [&](int level) {
    reset_process_state();
    env_vars.coll_out = env_store(dir_.path());
    if (level >= 0) tracing.my_trace_all[level] = 1;
  };
  for (const auto& row : data_rows("util/print_classes.txt", 6)) {
    SCOPED_TRACE(row[0] + " " + row[1]);
    fresh(row[2] == "1" ? 0 : -1);
    const char* id = row[1] == "-" ? nullptr : row[1].c_str();
    int result = -1;
    written w = with_print_file([&] { result = PRINT(row[0][0], id, "text %s\n", "x"); });
    EXPECT_EQ((std::vector<std::string>{w.file, w.err, w.out}),
              (std::vector<std::string>{row[4], row[3] == "1" ? row[4] : "", ""}));
    EXPECT_EQ(result, std::stoi(row[5]));
  }
  for (const auto& row : data_rows("util/umsg_options.txt", 6)) {
    SCOPED_TRACE(row[0] + " " + row[1]);
    fresh(std::stoi(row[3]));
    const char* sender = row[2] == "-" ? nullptr : row[2].c_str();
    written w = with_print_file([&] {
      u_msg(sender, "src/util/x.cpp", 42, row[0].c_str(), row[1].c_str(), "%s", "hello");
    });
    EXPECT_EQ((std::vector<std::string>{w.file, w.err}),
              (std::vector<std::string>{row[5], row[4] == "1" ? row[5] : ""}));
  }
}

TEST_F(PrintTest, FormatsAsWritten) {
  int result = 0;
  written w = with_print_file([&] {
    // Class x takes id and letter from the format; formats that are not literals
    // must reach the file with their % untouched.
    const char* error = "abc1234E left as %d is";
    const char* info = "abc1235i info";
    result = u_msg(nullptr, "x.cpp", 7, "xP", "ignored", error, 0);
    u_msg(nullptr, "x.cpp", 7, "x", nullptr, info, 0);
    // An empty expansion becomes the error text.
    PRINT('i', "abc0001", "%s", "");
    u_msg(nullptr, nullptr, 0, "iP", "abc0002", "%s", "");
  });
  EXPECT_EQ(w.file,
            "ABC1234E left as %d is\nABC1235I X.CPP(7) info\n"
            "ABC0001I (083005)  *** vsprintf error **** ABC0002I  *** vsprintf error **** \n");
  EXPECT_EQ(w.err, "ABC1234E left as %d is\n");
  EXPECT_EQ(result, 23);
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
