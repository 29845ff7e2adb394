// TRACE.CTL and the trace reset: flags set by cursor name, the message lines
// of unknown and overlong names, and the re-read on request.
#include "ctl/trace_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/curs.h"
#include "ctl_fixture.h"
#include "driver/steps.h"
#include "test_state.h"
#include "util/trace.h"

namespace {

// Cursors SESS and DEM exist (from the cursor corpus) before the trace file is read.
class TraceFile : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_process_state();
    files_ = std::make_unique<ctl_files>();
    files_->write("coll",
                  "cursor SESS;\ninsert into T (x) values (:x);\ninterval 5;\nlimit 1;\n"
                  "cursor DEM;\ninsert into T (x) values (:x);\ndemand;\nend;\n");
    int rc = -1;
    captured([&] { rc = parse_curs(); });
    ASSERT_EQ(rc, 0);
    sess_ = anchors.cur_anchor;
    dem_ = sess_->next;
  }
  void TearDown() override {
    files_.reset();
    reset_process_state();
  }
  std::vector<std::string> parse(const std::string& corpus, int* rc) {
    files_->use("trac", "trace/" + corpus);
    auto lines = captured([&] { *rc = parse_trace(); });
    return headed(
        without(lines, {"PTC4615", "PTC4620", "PTC4625", "PTC4725", "PTC4740", "PTC4735"}));
  }
  std::unique_ptr<ctl_files> files_;
  curs* sess_ = nullptr;
  curs* dem_ = nullptr;
};

struct flags {
  int trace, tracem, traced, show_row, show_cursor;
  bool operator==(const flags&) const = default;
};

flags flags_of(const curs* c) {
  return {c->trace, c->tracem, c->traced, c->show_row, c->show_cursor};
}

TEST_F(TraceFile, SetsFlagsByCursorName) {
  int rc = -1;
  EXPECT_EQ(parse("good.ctl", &rc), (std::vector<std::string>{"PTC4760I Trace Parsing ended ok"}));
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(flags_of(sess_), (flags{1, 1, 0, 1, 0}));
  EXPECT_EQ(flags_of(dem_), (flags{1, 0, 1, 0, 1}));
  EXPECT_EQ(tracing.trace_something, 1);
  EXPECT_EQ(tracing.trace_all, 0);  // after end nothing is read
}

TEST_F(TraceFile, TraceAllMarksEveryCursor) {
  int rc = -1;
  parse("traceall.ctl", &rc);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(flags_of(sess_), (flags{1, 0, 0, 1, 1}));
  EXPECT_EQ(flags_of(dem_), (flags{1, 0, 0, 1, 1}));
  EXPECT_EQ(tracing.trace_all, 1);
}

TEST_F(TraceFile, ReportsUnknownAndOverlongNames) {
  struct row {
    const char* file;
    std::vector<std::string> lines;
    flags sess, dem;
  };
  const std::string errors = "PTC4755E Trace Parsing ended with errors";
  // clang-format off
  const row rows[] = {
      // Mixed case is no keyword: the parse stops there.
      {"unknown_keyword.ctl", {"PTC4640E Unknown keyword (Trace)", errors}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}},
      // An unknown name is reported; the names after it still count.
      {"not_found.ctl", {"PTC4655E Cursor to trace (NOPE) not found",
                         "PTC4680E Cursor on which to trace math (NOPE) not found",
                         "PTC4695E Cursor on which to trace decodes (NOPE) not found",
                         "PTC4705E Cursor on which to show_row (NOPE) not found",
                         "PTC4715E Cursor on which to show_row (NOPE) not found", errors},
       {1, 0, 0, 0, 0}, {0, 0, 0, 0, 0}},
      // An overlong name ends its statement; the next statements are read.
      {"too_long.ctl", {"PTC4645E Trace cursor name too long : ABCDEFGHIJ",
                        "PTC4670E Tracem cursor name too long : ABCDEFGHIJ",
                        "PTC4685E Traced cursor name too long : ABCDEFGHIJ",
                        "PTC4700E Show_row cursor name too long : ABCDEFGHIJ",
                        "PTC4710E Show_cursor cursor name too long : ABCDEFGHIJ", errors},
       {0, 0, 0, 0, 0}, {0, 0, 1, 0, 0}},
      {"tokeniser.ctl", {"PTC4630E Parsing failed : Syntax error - Position = 7 Missing an ending \" or ' within max word length, Text = 'SESS    ", errors},
       {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}},
  };
  // clang-format on
  for (const row& r : rows) {
    SCOPED_TRACE(r.file);
    for (curs* c : {sess_, dem_})
      c->trace = c->tracem = c->traced = c->show_row = c->show_cursor = 0;
    int rc = -1;
    EXPECT_EQ(parse(r.file, &rc), r.lines);
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(flags_of(sess_), r.sess);
    EXPECT_EQ(flags_of(dem_), r.dem);
  }
}

TEST_F(TraceFile, MissingFileIsNoFailure) {
  int rc = -1;
  captured([&] { rc = parse_trace(); });
  EXPECT_EQ(rc, 0);
}

TEST_F(TraceFile, ResetClearsFlagsAndReadsTheFileAgain) {
  int rc = -1;
  parse("traceall.ctl", &rc);
  files_->write("trac", "traced DEM;\n");
  anchors.reset_trace = 1;
  captured([] { reset_tracing(); });
  // The show flags stay; the three trace flags follow the new file.
  EXPECT_EQ(flags_of(sess_), (flags{0, 0, 0, 1, 1}));
  EXPECT_EQ(flags_of(dem_), (flags{0, 0, 1, 1, 1}));
  EXPECT_EQ(tracing.trace_all, 0);
  EXPECT_EQ(tracing.trace_something, 1);
  EXPECT_EQ(anchors.reset_trace, 0);
}

}  // namespace
