// The eval file: evaluation records hung on their cursors, newest first, their
// listing, and the message lines of refused blocks and statements.
#include "ctl/eval.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/collect.h"
#include "ctl/curs.h"
#include "ctl_fixture.h"
#include "driver/steps.h"
#include "util/trace.h"

namespace {

using EvalFile = ctl_test;

struct evaluation {
  std::string name, cursor, column;
  int lt, eq, gt, value_type;
  double value;
  std::string text;
  int col_funct, ordinal;
  bool operator==(const evaluation&) const = default;
};

std::vector<evaluation> evals_of(const curs* c) {
  std::vector<evaluation> out;
  for (const e_ptr* e = c->evals; e; e = e->next) {
    out.push_back({e->eval_name, e->cursor_name, std::string(e->column, e->column_len), e->op_lt,
                   e->op_eq, e->op_gt, e->value_type, e->value, e->value_text, e->col_funct,
                   e->ordinal});
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
            (std::vector<evaluation>{
                {"Names", "SESS", "name", 1, 0, 1, 2, 0, "idle", 0, 2},  // <> is less or greater
                {"HighCpu", "SESS", "cpu", 0, 1, 1, 1, 90, "90", 3, 1},  // AVG! prefix, >=
            }));
  EXPECT_EQ(evals_of(anchors.cur_anchor->next),
            (std::vector<evaluation>{{"Dem", "DEM", "a", 1, 0, 0, 1, -1.5, "-1.5", 0, 3}}));
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
