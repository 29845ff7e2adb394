// The eval file: evaluation records hung on their cursors, newest first, and
// the message lines of refused blocks and statements.
#include "ctl/eval.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/collect.h"
#include "ctl/curs.h"
#include "ctl_fixture.h"
#include "driver/steps.h"
#include "test_state.h"
#include "util/trace.h"

namespace {

// Cursors SESS and DEM exist before the eval file is read.
class EvalFile : public ::testing::Test {
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
  }
  void TearDown() override {
    files_.reset();
    reset_process_state();
  }
  std::vector<std::string> parse(const std::string& corpus, int* rc) {
    files_->use("eval", "eval/" + corpus);
    return without(captured([&] { *rc = parse_eval(); }), {});
  }
  std::unique_ptr<ctl_files> files_;
};

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
  int rc = -1;
  EXPECT_EQ(parse("good.ctl", &rc), std::vector<std::string>{});
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(evals_of(anchors.cur_anchor),
            (std::vector<evaluation>{
                {"Names", "SESS", "name", 1, 0, 1, 2, 0, "idle", 0, 2},  // <> is less or greater
                {"HighCpu", "SESS", "cpu", 0, 1, 1, 1, 90, "90", 3, 1},  // AVG! prefix, >=
            }));
  EXPECT_EQ(evals_of(anchors.cur_anchor->next),
            (std::vector<evaluation>{{"Dem", "DEM", "a", 1, 0, 0, 1, -1.5, "-1.5", 0, 3}}));
}

TEST_F(EvalFile, ListedWithTheirCursors) {
  int rc = -1;
  parse("good.ctl", &rc);
  ASSERT_EQ(rc, 0);
  tracing.trace_something = 1;
  std::vector<std::string> listed;
  for (const std::string& l : captured([] { show_curs(); })) {
    if (l.compare(0, 5, "PSC02") == 0 && l.compare(0, 7, "PSC0205") != 0 &&
        l.compare(0, 7, "PSC0200") != 0 && l.compare(0, 7, "PSC0215") != 0 &&
        l.compare(0, 7, "PSC0220") != 0 && l.compare(0, 7, "PSC0225") != 0)
      listed.push_back(l);
  }
  EXPECT_EQ(listed, (std::vector<std::string>{
                        "PSC0230T Evaluation name = Names",
                        "PSC0235T  on cursor SESS",
                        "PSC0240T Column = name",
                        "PSC0245T Operand = <>",
                        "PSC0250T Value = idle",
                        "PSC0255T Col_funct = 0",
                        "PSC0260T Ordinal = 2",
                        "PSC0230T Evaluation name = HighCpu",
                        "PSC0235T  on cursor SESS",
                        "PSC0240T Column = cpu",
                        "PSC0245T Operand = >=",
                        "PSC0251T Value = 90.000000",
                        "PSC0255T Col_funct = 3",
                        "PSC0260T Ordinal = 1",
                        "PSC0230T Evaluation name = Dem",
                        "PSC0235T  on cursor DEM",
                        "PSC0240T Column = a",
                        "PSC0245T Operand = <",
                        "PSC0251T Value = -1.500000",
                        "PSC0255T Col_funct = 0",
                        "PSC0260T Ordinal = 3",
                    }));
}

TEST_F(EvalFile, MissingFileFails) {
  int rc = -1;
  auto lines = captured([&] { rc = parse_eval(); });
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(lines, (std::vector<std::string>{"UOI0055W Could not find a zdbeval.ctl file"}));
}

const char* unterminated = "Syntax error - Missing an ending \" or ' within max word length";

// clang-format off
const std::pair<const char*, std::vector<std::string>> bad_files[] = {
    {"first_word_length.ctl", {"PEV1265E First word must be 'eval'"}},  // not four characters
    {"first_word_other.ctl", {"PEV1270E First word must be 'eval'"}},   // four, not eval
    {"tokeniser_first.ctl", {std::string("PEV1255E Parsing failed : ") + unterminated + ", Text = 'eval A    "}},
    {"tokeniser_later.ctl", {"PEV1305E Parsing failed : Syntax error - Position = 8 Missing an ending \" or ' within max word length, Text = 'SESS    "}},
    {"unknown_keyword.ctl", {"PEV1260E Unknown keyword (threshold)"}},
    {"parens.ctl", {"PEV1375E Parentheses do not balance"}},
    {"no_name.ctl", {"PEV1275E No Evaluation name"}},
    {"no_cursor.ctl", {"PEV1280E No Cursor name"}},
    {"no_operator.ctl", {"PEV1285E No Operator"}},
    {"no_value.ctl", {"PEV1290E No Value specified"}},
    {"no_column.ctl", {"PEV1295E No Column name"}},
    {"unknown_cursor.ctl", {"PEV1230E Cursor named NOPE not found"}},  // reported; the next block is kept
    {"long_eval_name.ctl", {"PEV1300E Evaluation name is exceeeds 8 characters"}},  // 36 characters
    {"name_duplicate.ctl", {"PEV1310E Duplicate evaluation name"}},
    {"long_name.ctl", {"PEV1315E Excessive length on evaluation name"}},
    {"cursor_duplicate.ctl", {"PEV1355E Duplicate Cursor Name"}},
    {"cursor_long.ctl", {"PEV1360E Excessive length on Cursor Name"}},
    {"column_duplicate.ctl", {"PEV1365E Duplicate Column Name b"}},
    {"column_long.ctl", {"PEV1370E Column Name too long"}},  // 33 after the prefix
    {"operator_one.ctl", {"PEV1320E Invalid operator"}},     // "!=" begins with a lone "!"
    {"operator_first.ctl", {"PEV1325E Invalid operator"}},
    {"operator_second.ctl", {"PEV1330E Invalid operator"}},
    {"operator_length.ctl", {"PEV1335E Invalid operator"}},
};
// clang-format on

TEST_F(EvalFile, RefusesBadFilesWithTheirMessages) {
  for (const auto& [file, lines] : bad_files) {
    SCOPED_TRACE(file);
    int rc = -1;
    EXPECT_EQ(parse(file, &rc), lines);
    EXPECT_EQ(rc, 1);
  }
  // The block after the unknown cursor's was kept.
  ASSERT_NE(anchors.cur_anchor->evals, nullptr);
  EXPECT_STREQ(anchors.cur_anchor->evals->eval_name, "B");
}

}  // namespace
