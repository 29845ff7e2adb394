// Clause statements: read from a real cursor file, each lands on its cursor
// and the loads are parsed once the whole file is read; and every malformed
// statement of tests/data/ctl/clauses/refused.txt is refused with its lines.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "clause_fixture.h"
#include "ctl/anchors.h"
#include "ctl/clause_records.h"
#include "ctl/clauses.h"
#include "ctl/col_exit_clause.h"
#include "ctl/collect.h"
#include "ctl/curs.h"
#include "ctl/decode_clause.h"
#include "ctl/math_clause.h"
#include "ctl_fixture.h"

namespace {

class clauses_file : public ctl_test {};

TEST_F(clauses_file, EveryClauseLandsOnItsCursor) {
  use("coll", "coll/clauses.ctl");
  int rc = -1;
  EXPECT_EQ(
      run(parse_curs, &rc),
      (lines{"PCC0345W Using default interval of 10 seconds for cursor PREV",
             "PCC0370W Warning, Cursor (PREV) No cursor row limit, using default 1024 rows"}));
  ASSERT_EQ(rc, 0);
  curs* sess = anchors.cur_anchor;
  curs* prev = sess->next;
  curs* totals = prev->next;
  EXPECT_STREQ(sess->pre_cursors->name, "TOTALS");
  EXPECT_STREQ(sess->in_lists->name, "SIDS");
  EXPECT_STREQ(sess->bases->base_cursor, "PREV");
  EXPECT_EQ(sess->math->word_count, 7);  // the statement spans two lines
  EXPECT_EQ(sess->decodes->ops->next->operatr, op_default);
  EXPECT_EQ(sess->col_exits->same_column->arg2, 4);
  EXPECT_EQ(sess->set_lens->length, 16);
  EXPECT_STREQ(prev->iterate->name, "SESS");
  EXPECT_STREQ(prev->iterate_where->where_ops->column, "sid");
  EXPECT_EQ(sess->parsed_loads, nullptr);  // only the text until every cursor exists

  EXPECT_EQ(run(parse_loads, &rc), lines{"PLO3090I Load parsing ended ok."});
  EXPECT_EQ(rc, 0);
  const lp_ptr* lp = sess->parsed_loads;
  ASSERT_NE(lp, nullptr);
  EXPECT_EQ(lp->source, sess->column_list->next);
  EXPECT_EQ(lp->target_column, totals->column_list);
  EXPECT_STREQ(lp->where_ops->column, "host");
}

class refused_clauses : public clause_test {};

TEST_F(refused_clauses, EachWithItsMessageLines) {
  const std::map<std::string, int (*)(curs*, char*)> parsers = {
      {"decode", parse_decode},
      {"math", parse_math},
      {"column_exit", parse_col_ex},
      {"iterate", parse_iterate},
      {"pre_cursor", parse_pre_cursor},
      {"in_list", parse_in_list},
      {"base", parse_base},
      {"set_len", parse_set_len},
      {"iterate_where", parse_iterate_where}};
  std::vector<ctl_case> cases = read_cases("clauses/refused.txt");
  EXPECT_GT(cases.size(), 100u);
  for (const ctl_case& c : cases) {
    SCOPED_TRACE(c.text);
    curs fresh{};
    clause_result r = run_clause(parsers.at(c.keyword()), &fresh, c.rest());
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.lines, c.expected);
    // No record is linked; a refused math definition stays, as the file fails anyway.
    EXPECT_EQ((std::vector<const void*>{fresh.pre_cursors, fresh.iterate, fresh.iterate_where,
                                        fresh.in_lists, fresh.bases, fresh.set_lens, fresh.decodes,
                                        fresh.col_exits}),
              std::vector<const void*>(8, nullptr));
  }
}

}  // namespace
