// Clause statements read from a real cursor file: each clause lands on its
// cursor, the loads are parsed once the file is read, and a bad clause fails
// the file with its own message.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/clause_records.h"
#include "ctl/col_exit_clause.h"
#include "ctl/curs.h"
#include "ctl/decode_clause.h"
#include "ctl/math_clause.h"
#include "ctl_fixture.h"
#include "driver/steps.h"
#include "test_state.h"

namespace {

using lines = std::vector<std::string>;

class clauses_file : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_process_state();
    files_ = std::make_unique<ctl_files>();
  }
  void TearDown() override {
    files_.reset();
    reset_process_state();
  }
  // Parses tests/data/ctl/coll/<corpus>; returns the result and the error lines.
  int parse(const std::string& corpus, lines* errors) {
    files_->use("coll", "coll/" + corpus);
    int rc = -1;
    for (const std::string& l : captured([&] { rc = parse_curs(); })) {
      if (l.size() > 7 && l[7] == 'E') errors->push_back(l);
    }
    return rc;
  }
  std::unique_ptr<ctl_files> files_;
};

TEST_F(clauses_file, EveryClauseLandsOnItsCursor) {
  lines errors;
  ASSERT_EQ(parse("clauses.ctl", &errors), 0);
  EXPECT_EQ(errors, lines{});
  curs* sess = anchors.cur_anchor;
  ASSERT_NE(sess, nullptr);
  curs* prev = sess->next;
  curs* totals = prev->next;

  EXPECT_STREQ(sess->pre_cursors->name, "TOTALS");
  EXPECT_STREQ(sess->in_lists->name, "SIDS");
  EXPECT_STREQ(sess->bases->base_cursor, "PREV");
  EXPECT_STREQ(sess->math->name, "pct");
  EXPECT_EQ(sess->math->word_count, 7);  // the statement spans two lines
  EXPECT_EQ(sess->math->decimal, 1);
  EXPECT_STREQ(sess->decodes->column, "host");
  EXPECT_EQ(sess->decodes->ops->next->operatr, op_default);
  EXPECT_EQ(sess->col_exits->routine, &col_exits[0]);
  EXPECT_EQ(sess->col_exits->same_column->arg2, 4);
  EXPECT_EQ(sess->set_lens->length, 16);
  EXPECT_STREQ(prev->iterate->name, "SESS");
  EXPECT_STREQ(prev->iterate_where->where_ops->column, "sid");
  ASSERT_NE(sess->loads, nullptr);
  EXPECT_EQ(sess->loads->text, "sum cpu -> TOTALS.cpu where host = 'a'");
  EXPECT_EQ(sess->parsed_loads, nullptr);

  message_capture capture;
  EXPECT_EQ(parse_loads(), 0);
  EXPECT_EQ(without(capture.lines(), {}), lines{"PLO3090I Load parsing ended ok."});
  const lp_ptr* lp = sess->parsed_loads;
  ASSERT_NE(lp, nullptr);
  EXPECT_EQ(lp->source, sess->column_list->next);
  EXPECT_EQ(lp->target_cursor, totals);
  EXPECT_EQ(lp->target_column, totals->column_list);
  EXPECT_EQ(lp->is_sum, 1);
  EXPECT_STREQ(lp->where_ops->column, "host");
}

TEST_F(clauses_file, ABadClauseFailsTheFile) {
  lines errors;
  EXPECT_EQ(parse("clause_bad.ctl", &errors), 1);
  EXPECT_EQ(errors, (lines{"PDE3765E Invalid decode operator in sid >> 1 , x",
                           "PCC0755E Parsing ended with errors"}));
}

}  // namespace
