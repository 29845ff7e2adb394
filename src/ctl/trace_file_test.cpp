// TRACE.CTL and the trace reset: flags set by cursor name, the message lines
// of unknown and overlong names, and the re-read on request.
#include "ctl/trace_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/curs.h"
#include "ctl_fixture.h"
#include "driver/steps.h"
#include "util/trace.h"

namespace {

using lines = std::vector<std::string>;

struct flags {
  int trace, tracem, traced, show_row, show_cursor;
  bool operator==(const flags&) const = default;
};

flags flags_of(const curs* c) {
  return {c->trace, c->tracem, c->traced, c->show_row, c->show_cursor};
}

class TraceFile : public ctl_test {};

TEST_F(TraceFile, SetsFlagsByCursorName) {
  const std::string errors = "PTC4755E Trace Parsing ended with errors";
  struct row {
    const char* file;  // under tests/data/ctl/trace; null for none
    int rc;
    lines expected;
    flags sess, dem;
  };
  // clang-format off
  const row rows[] = {
      {nullptr, 0, {}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}},  // no file is no failure
      {"good.ctl", 0, {"PTC4760I Trace Parsing ended ok"}, {1, 1, 0, 1, 0}, {1, 0, 1, 0, 1}},  // nothing read after end
      {"traceall.ctl", 0, {"PTC4760I Trace Parsing ended ok"}, {1, 0, 0, 1, 1}, {1, 0, 0, 1, 1}},  // every cursor
      // Mixed case is no keyword: the parse stops there.
      {"unknown_keyword.ctl", 1, {"PTC4640E Unknown keyword (Trace)", errors}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}},
      // An unknown name is reported; the names after it still count.
      {"not_found.ctl", 1, {"PTC4655E Cursor to trace (NOPE) not found", "PTC4680E Cursor on which to trace math (NOPE) not found", "PTC4695E Cursor on which to trace decodes (NOPE) not found", "PTC4705E Cursor on which to show_row (NOPE) not found", "PTC4715E Cursor on which to show_row (NOPE) not found", errors}, {1, 0, 0, 0, 0}, {0, 0, 0, 0, 0}},
      // An overlong name ends its statement; the next statements are read.
      {"too_long.ctl", 1, {"PTC4645E Trace cursor name too long : ABCDEFGHIJ", "PTC4670E Tracem cursor name too long : ABCDEFGHIJ", "PTC4685E Traced cursor name too long : ABCDEFGHIJ", "PTC4700E Show_row cursor name too long : ABCDEFGHIJ", "PTC4710E Show_cursor cursor name too long : ABCDEFGHIJ", errors}, {0, 0, 0, 0, 0}, {0, 0, 1, 0, 0}},
      {"tokeniser.ctl", 1, {"PTC4630E Parsing failed : Syntax error - Position = 7 Missing an ending \" or ' within max word length, Text = 'SESS    ", errors}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}},
  };
  // clang-format on
  for (const row& r : rows) {
    SCOPED_TRACE(r.file ? r.file : "no file");
    restart();
    write("coll",
          "cursor SESS;\ninsert into T (x) values (:x);\ninterval 5;\nlimit 1;\n"
          "cursor DEM;\ninsert into T (x) values (:x);\ndemand;\nend;\n");
    int rc = -1;
    run(parse_curs, &rc);
    ASSERT_EQ(rc, 0);
    if (r.file) use("trac", std::string("trace/") + r.file);
    EXPECT_EQ(run(parse_trace, &rc), r.expected);
    EXPECT_EQ(rc, r.rc);
    EXPECT_EQ(flags_of(anchors.cur_anchor), r.sess);
    EXPECT_EQ(flags_of(anchors.cur_anchor->next), r.dem);
  }
}

TEST_F(TraceFile, ResetClearsFlagsAndReadsTheFileAgain) {
  write("coll", "cursor SESS;\ninsert into T (x) values (:x);\ninterval 5;\nlimit 1;\nend;\n");
  use("trac", "trace/traceall.ctl");
  int rc = -1;
  run(parse_curs, &rc);
  run(parse_trace, &rc);
  EXPECT_EQ(tracing.trace_all, 1);
  write("trac", "traced SESS;\n");
  anchors.reset_trace = 1;
  captured([] { reset_tracing(); });
  // The show flags stay; the three trace flags follow the new file.
  EXPECT_EQ(flags_of(anchors.cur_anchor), (flags{0, 0, 1, 1, 1}));
  EXPECT_EQ(tracing.trace_all, 0);
  EXPECT_EQ(anchors.reset_trace, 0);
}

}  // namespace
