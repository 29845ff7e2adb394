// The eval file: evaluation records hung on their cursors, newest first, their
// listing, and the message lines of refused blocks and statements.
#include "ctl/eval.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/collect.h"
#include "ctl/curs.h"
#include "ctl_fixture.h"
#include "util/trace.h"

namespace {

using EvalFile = ctl_test;

// The evaluations of `c`, newest first, as "name cursor column lt eq gt value_type
// value text col_funct ordinal".
lines evals_of(const curs* c) {
  lines out;
  for (const e_ptr* e = c->evals; e; e = e->next) {
    std::ostringstream s;
    s << e->eval_name << ' ' << e->cursor_name << ' ' << std::string(e->column, e->column_len)
      << ' ' << e->op_lt << ' ' << e->op_eq << ' ' << e->op_gt << ' ' << e->value_type << ' '
      << e->value << ' ' << e->value_text << ' ' << e->col_funct << ' ' << e->ordinal;
    out.push_back(s.str());
  }
  return out;
}

TEST_F(EvalFile, HangsEvaluationsOnTheirCursorsNewestFirst) {
  make_cursors();
  use("eval", "eval/good.ctl");
  int rc = -1;
  EXPECT_EQ(run(parse_eval, &rc), lines{});
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(evals_of(anchors.cur_anchor),
            (lines{
                "Names SESS name 1 0 1 2 0 idle 0 2",  // <> is less or greater
                "HighCpu SESS cpu 0 1 1 1 90 90 3 1",  // AVG! prefix, >=
            }));
  EXPECT_EQ(evals_of(anchors.cur_anchor->next), lines{"Dem DEM a 1 0 0 1 -1.5 -1.5 0 3"});
  // After a block on an unknown cursor, the next block is kept.
  restart();
  make_cursors();
  use("eval", "eval/unknown_cursor.ctl");
  run(parse_eval, &rc);
  EXPECT_STREQ(anchors.cur_anchor->evals->eval_name, "B");
}

TEST_F(EvalFile, RefusesBadFilesWithTheirMessages) {
  check_file_cases("eval", "eval", parse_eval, 1, [&] { make_cursors(); });
}

}  // namespace
