// Loads: texts kept while the file is read, parsed once every cursor exists;
// sources, targets, aggregates, FROM and WHERE directives, and every refusal
// with its whole message lines, across several cursors.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "clause_fixture.h"
#include "ctl/anchors.h"
#include "ctl/clause_records.h"
#include "ctl/clauses.h"
#include "ctl/decode_clause.h"
#include "driver/steps.h"

namespace {

using lines = std::vector<std::string>;

// Appends a cursor with the named columns to cur_anchor.
curs* add_cursor(const char* name, std::initializer_list<const char*> cols, bool is_virtual) {
  curs* c = cursor_arena().make<curs>();
  strcpy(c->cur_name, name);
  c->virtual_ = is_virtual;
  columns** at = &c->column_list;
  for (const char* col : cols) {
    *at = cursor_arena().make<columns>();
    strcpy((*at)->name, col);
    (*at)->name_len = static_cast<int16_t>(strlen(col));
    at = &(*at)->next;
  }
  curs** end = &anchors.cur_anchor;
  while (*end != nullptr) end = &(*end)->next;
  *end = c;
  return c;
}

columns* column(curs* c, int n) {
  columns* col = c->column_list;
  while (--n > 0) col = col->next;
  return col;
}

class load_clause : public clause_test {
 protected:
  void SetUp() override {
    clause_test::SetUp();
    src = add_cursor("SRC", {"cpu", "host", "cpu", "busy"}, false);
    totals = add_cursor("TOTALS", {"cpu", "busy", "count"}, true);
    add_cursor("PLAIN", {"x"}, false);
  }

  // Runs parse_loads over the cursor chain and returns its result and lines.
  clause_result parse() {
    message_capture capture;
    clause_result r;
    r.rc = parse_loads();
    r.lines = capture.lines();
    return r;
  }

  curs* src = nullptr;
  curs* totals = nullptr;
};

TEST_F(load_clause, AcceptedLoads) {
  struct row {
    std::string text;
    int source;                  // column of SRC, counted from 1
    int target;                  // column of TOTALS
    int minmax;                  // column of SRC, 0 for none
    int16_t funct;               // column function of the source text
    std::vector<int16_t> flags;  // min max count sum average from where max_occurance
  } rows[] = {
      {"cpu -> TOTALS.cpu", 1, 1, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}},
      {"  busy->TOTALS . busy", 4, 2, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}},  // blanks optional
      {"AVG!cpu -> TOTALS.3", 1, 3, 0, 3, {0, 0, 0, 0, 0, 0, 0, 0}},    // target by position
      {"host -> TOTALS.0", 2, 1, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}},       // position 0 is 1
      {"2!cpu -> TOTALS.cpu", 3, 1, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}},    // second "cpu"
      {"4! -> TOTALS.cpu", 4, 1, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}},       // fourth column
      {"COUNT host -> TOTALS.count", 2, 3, 0, 0, {0, 0, 1, 0, 0, 0, 0, 0}},
      {"sum cpu -> TOTALS.cpu", 1, 1, 0, 0, {0, 0, 0, 1, 0, 0, 0, 0}},
      {"average cpu -> TOTALS.cpu", 1, 1, 0, 0, {0, 0, 0, 0, 1, 0, 0, 0}},
      {"cpu -> TOTALS.cpu from MIN busy", 1, 1, 4, 0, {1, 0, 0, 0, 0, 1, 0, 0}},
      {"cpu -> TOTALS.cpu FROM max busy", 1, 1, 4, 0, {0, 1, 0, 0, 0, 1, 0, 0}},
      {"cpu -> TOTALS.cpu from max_occurance host", 1, 1, 2, 0, {0, 0, 0, 0, 0, 1, 0, 1}},
      {"cpu -> TOTALS.cpu WHERE host = 'a'", 1, 1, 0, 0, {0, 0, 0, 0, 0, 0, 1, 0}},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.text);
    src->loads = nullptr;
    src->parsed_loads = nullptr;
    EXPECT_EQ(add_load_text(src, (r.text + "    ").c_str()), 0);
    clause_result got = parse();
    EXPECT_EQ(got.rc, 0);
    EXPECT_EQ(got.lines, lines{"PLO3090I Load parsing ended ok."});
    const lp_ptr* lp = src->parsed_loads;
    ASSERT_NE(lp, nullptr);
    EXPECT_EQ(lp->next, nullptr);
    EXPECT_EQ(lp->source, column(src, r.source));
    ASSERT_NE(lp->source_spec, nullptr);
    EXPECT_EQ(lp->source_spec->col_funct, r.funct);
    EXPECT_EQ(lp->target_cursor, totals);
    EXPECT_EQ(lp->target_column, column(totals, r.target));
    EXPECT_EQ(lp->minmax_column, r.minmax ? column(src, r.minmax) : nullptr);
    std::vector<int16_t> flags{lp->is_min,     lp->is_max,   lp->is_count,  lp->is_sum,
                               lp->is_average, lp->has_from, lp->has_where, lp->is_max_occurance};
    EXPECT_EQ(flags, r.flags);
    EXPECT_EQ(lp->where_ops != nullptr, lp->has_where != 0);
  }
}

TEST_F(load_clause, WhereConditionIsADecodeOfItsOwn) {
  add_load_text(src, "sum cpu -> TOTALS.cpu where host = 'a' and ~= 'b'    ");
  EXPECT_EQ(parse().rc, 0);
  const decode* where = src->parsed_loads->where_ops;
  ASSERT_NE(where, nullptr);
  EXPECT_STREQ(where->column, "host");
  EXPECT_EQ(where->next, nullptr);
  const decode_op* op = where->ops;
  EXPECT_EQ(op->operatr, op_equal);
  EXPECT_EQ(op->operand_type, operand_string);
  EXPECT_EQ(std::string(op->operator_, op->operand_ll), "a");
  ASSERT_NE(op->and_parts, nullptr);
  EXPECT_EQ(op->and_parts->operatr, op_not_equal);
  EXPECT_EQ(std::string(op->replacement, op->replacement_ll), " ");
  EXPECT_EQ(src->decodes, nullptr);  // the cursor's own decodes are untouched
  EXPECT_EQ(src->loads->text, "sum cpu -> TOTALS.cpu where host = 'a' and ~= 'b'    ");
}

TEST_F(load_clause, RefusesMalformedLoads) {
  const std::string long_source(40, 's');
  struct row {
    std::string text, expected;
  } rows[] = {
      {"", "PLO3010E No source column found for load in cursor SRC"},
      {"sum ->TOTALS.cpu", "PLO3010E No source column found for load in cursor SRC"},
      {long_source + " -> TOTALS.cpu",
       "PLO3015E Bad source column text in " + long_source + " -> TOTALS.cpu"},
      {"INT! -> TOTALS.cpu", "PLO3015E Bad source column text in INT! -> TOTALS.cpu"},
      {"idle -> TOTALS.cpu",
       "PLO3020E Column idle not found in cursor SRC for load idle -> TOTALS.cpu"},
      {"3!cpu -> TOTALS.cpu",
       "PLO3020E Column 3!cpu not found in cursor SRC for load 3!cpu -> TOTALS.cpu"},
      {"cpu TOTALS.cpu", "PLO3025E Bad syntax in load for cursor SRC : cpu TOTALS.cpu"},
      {"cpu -> TOTALS.cpu junk",
       "PLO3025E Bad syntax in load for cursor SRC : cpu -> TOTALS.cpu junk"},
      {"cpu -> TOTALS.cpu from max busy extra",
       "PLO3025E Bad syntax in load for cursor SRC : cpu -> TOTALS.cpu from max busy extra"},
      {"cpu -> .cpu", "PLO3030E Target cursor name not found in cursor SRC for load cpu -> .cpu"},
      {"cpu ->", "PLO3030E Target cursor name not found in cursor SRC for load cpu ->"},
      {"cpu -> NOPE.cpu",
       "PLO3035E Target cursor (NOPE) not found for load cpu -> NOPE.cpu in SRC"},
      {"cpu -> TOTALSXYZ.cpu",
       "PLO3035E Target cursor (TOTALSXYZ) not found for load cpu -> TOTALSXYZ.cpu in SRC"},
      {"cpu -> PLAIN.x", "PLO3040E Target cursor (PLAIN) in SRC for cpu -> PLAIN.x is not virtual"},
      {"cpu -> TOTALS cpu",
       "PLO3045E Bad target cursor.column syntax in load cpu -> TOTALS cpu for cursor SRC"},
      {"cpu -> TOTALS.", "PLO3050E No target column name in cursor SRC load cpu -> TOTALS."},
      {"cpu -> TOTALS.idle",
       "PLO3055E Target column (idle) not found for cursor TOTALS load cpu -> TOTALS.idle"},
      {"cpu -> TOTALS.4",
       "PLO3055E Target column (4) not found for cursor TOTALS load cpu -> TOTALS.4"},
      {"AVG!cpu -> TOTALS.cpu where host = 'a'",
       "PLO3060E Column function and load_where or load_from are incompatable"},
      {"MAX!cpu -> TOTALS.cpu from min busy",
       "PLO3060E Column function and load_where or load_from are incompatable"},
      {"count cpu -> TOTALS.cpu from max busy",
       "PLO3065E Cannot have FROM directive with count/sum/average in load"},
      {"cpu -> TOTALS.cpu from top busy", "PLO3070E From requires min/max/max_occurance in load"},
      {"cpu -> TOTALS.cpu from Max busy", "PLO3070E From requires min/max/max_occurance in load"},
      {"cpu -> TOTALS.cpu from max ",
       "PLO3075E No min_max column name in cursor SRC load cpu -> TOTALS.cpu from max"},
      {"cpu -> TOTALS.cpu from max idle",
       "PLO3080E MIN-MAX column (idle) not found for cursor SRC load cpu -> TOTALS.cpu from max "
       "idle"},
      {"cpu -> TOTALS.cpu where host",
       "PDE3760E Invalid decode operator in host , ' '"},  // the condition's own message
      {"cpu -> TOTALS.cpu where", "PDE3740E Bad decode syntax : , ' '"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.text);
    src->loads = nullptr;
    src->parsed_loads = nullptr;
    add_load_text(src, (r.text + "    ").c_str());
    clause_result got = parse();
    EXPECT_EQ(got.rc, 1);
    EXPECT_EQ(got.lines, (lines{r.expected, "PLO3085E Load parsing ended with errors."}));
    EXPECT_EQ(src->parsed_loads, nullptr);
  }
}

TEST_F(load_clause, EveryCursorAndEveryTextIsParsed) {
  curs* second = add_cursor("SRC2", {"io"}, false);
  curs* done = add_cursor("DONE", {"y"}, false);
  add_load_text(src, "cpu -> TOTALS.cpu");
  add_load_text(src, "nosuch -> TOTALS.cpu");  // an error moves on to the next text
  add_load_text(src, "busy -> TOTALS.busy");
  add_load_text(second, "io -> TOTALS.count");
  add_load_text(done, "y -> TOTALS.cpu");
  lp_ptr* earlier = cursor_arena().make<lp_ptr>();
  done->parsed_loads = earlier;  // parsed before (a re-run after versions changed)

  clause_result r = parse();
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.lines,
            (lines{"PLO3020E Column nosuch not found in cursor SRC for load nosuch -> TOTALS.cpu",
                   "PLO3085E Load parsing ended with errors."}));
  ASSERT_NE(src->parsed_loads, nullptr);
  EXPECT_EQ(src->parsed_loads->source, column(src, 1));
  ASSERT_NE(src->parsed_loads->next, nullptr);
  EXPECT_EQ(src->parsed_loads->next->source, column(src, 4));
  EXPECT_EQ(src->parsed_loads->next->next, nullptr);
  ASSERT_NE(second->parsed_loads, nullptr);
  EXPECT_EQ(second->parsed_loads->target_column, column(totals, 3));
  EXPECT_EQ(done->parsed_loads, earlier);
  EXPECT_EQ(earlier->next, nullptr);

  // Parsing again leaves cursors with parsed loads alone.
  r = parse();
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.lines, lines{"PLO3090I Load parsing ended ok."});
  EXPECT_EQ(src->parsed_loads->next->next, nullptr);
}

TEST_F(load_clause, LoadTextsKeepStatementOrder) {
  add_load_text(src, "a -> TOTALS.cpu");
  curs version = *src;  // a conditional version shares the chain
  add_load_text(&version, "b -> TOTALS.cpu");
  ASSERT_NE(src->loads, nullptr);
  EXPECT_EQ(src->loads->text, "a -> TOTALS.cpu");
  ASSERT_NE(src->loads->next, nullptr);
  EXPECT_EQ(src->loads->next->text, "b -> TOTALS.cpu");
}

}  // namespace
