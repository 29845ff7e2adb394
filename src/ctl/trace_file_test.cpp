// TRACE.CTL and the trace reset: flags set by cursor name, the message lines
// of unknown and overlong names, and the re-read on request.
#include "ctl/trace_file.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/curs.h"
#include "ctl_fixture.h"
#include "util/trace.h"

namespace {

// The trace flags of the two cursors: trace tracem traced show_row show_cursor of SESS, then DEM.
std::vector<int> flags_of() {
  std::vector<int> out;
  for (const curs* c = anchors.cur_anchor; c; c = c->next)
    out.insert(out.end(), {c->trace, c->tracem, c->traced, c->show_row, c->show_cursor});
  return out;
}

using TraceFile = ctl_test;

// Every file under tests/data/ctl/trace, with the flags it leaves (";; flags").
TEST_F(TraceFile, SetsFlagsByCursorName) {
  // No file is no failure.
  check_file_cases(
      "trace", "trac", parse_trace, 0, [this] { make_cursors(); },
      [](const std::string& text) {
        std::vector<int> want(10, -1);
        std::istringstream in(text.substr(text.find(";; flags ") + 9));
        for (int& v : want) in >> v;
        EXPECT_EQ(flags_of(), want);
      });
}

TEST_F(TraceFile, ResetClearsFlagsAndReadsTheFileAgain) {
  make_cursors();
  use("trac", "trace/traceall.ctl");
  int rc = -1;
  run(parse_trace, &rc);
  EXPECT_EQ(tracing.trace_all, 1);
  write("trac", "traced SESS;\n");
  anchors.reset_trace = 1;
  captured([] { reset_tracing(); });
  // The show flags stay; the three trace flags follow the new file.
  EXPECT_EQ(flags_of(), (std::vector<int>{0, 0, 1, 1, 1, 0, 0, 0, 1, 1}));
  EXPECT_EQ(tracing.trace_all, 0);
  EXPECT_EQ(anchors.reset_trace, 0);
}

}  // namespace
