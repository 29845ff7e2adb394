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
#include "ctl/collect.h"
#include "std_capture.h"

namespace {

// Appends a cursor with the named columns to cur_anchor.
curs* add_cursor(const char* name, std::initializer_list<const char*> cols, bool is_virtual) {
  curs* c = cursor_arena().make<curs>();
  strcpy(c->cur_name, name);
  c->virtual_ = is_virtual;
  for (const char* col : cols) EXPECT_EQ(add_column(col, static_cast<int>(strlen(col)), c), 0);
  curs** end = &anchors.cur_anchor;
  while (*end != nullptr) end = &(*end)->next;
  return *end = c;
}

// The n-th column of `c`, counted from 1.
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
  // Parses `text` as SRC's only load; returns the result and the lines.
  clause_result parse(const std::string& text) {
    src->loads = nullptr;
    src->parsed_loads = nullptr;
    EXPECT_EQ(add_load_text(src, (text + "    ").c_str()), 0);
    return parse_all();
  }
  clause_result parse_all() {
    clause_result r;
    r.lines = captured([&] { r.rc = parse_loads(); });
    return r;
  }
  curs* src = nullptr;
  curs* totals = nullptr;
};

TEST_F(load_clause, AcceptedLoads) {
  auto rows = data_rows("ctl/clauses/load_accepted.txt", 3);
  EXPECT_GT(rows.size(), 10u);
  for (const auto& row : rows) {
    SCOPED_TRACE(row[0]);
    clause_result got = parse(row[0]);
    EXPECT_EQ(got.rc, 0);
    EXPECT_EQ(got.lines, lines{"PLO3090I Load parsing ended ok."});
    const lp_ptr* lp = src->parsed_loads;
    ASSERT_NE(lp, nullptr);
    EXPECT_EQ(lp->next, nullptr);
    std::vector<int64_t> at = data_ints(row[1]);
    EXPECT_EQ(lp->source, column(src, at[0]));
    EXPECT_EQ(lp->target_cursor, totals);
    EXPECT_EQ(lp->target_column, column(totals, at[1]));
    EXPECT_EQ(lp->minmax_column, at[2] ? column(src, at[2]) : nullptr);
    EXPECT_EQ(lp->source_spec->col_funct, at[3]);
    EXPECT_EQ(
        (std::vector<int64_t>{lp->is_min, lp->is_max, lp->is_count, lp->is_sum, lp->is_average,
                              lp->has_from, lp->has_where, lp->is_max_occurance}),
        data_ints(row[2]));
    // The condition is read as iterate_where's is (checked there).
    EXPECT_EQ(lp->where_ops != nullptr, lp->has_where != 0);
  }
}

TEST_F(load_clause, RefusesMalformedLoads) {
  std::vector<ctl_case> cases = read_cases("clauses/load_refused.txt");
  EXPECT_GT(cases.size(), 20u);
  for (const ctl_case& c : cases) {
    SCOPED_TRACE(c.text);
    clause_result got = parse(c.rest());
    EXPECT_EQ(got.rc, 1);
    EXPECT_EQ(got.lines, c.expected);
    EXPECT_EQ(src->parsed_loads, nullptr);
  }
}

TEST_F(load_clause, EveryCursorAndEveryTextIsParsedOnce) {
  curs* second = add_cursor("SRC2", {"io"}, false);
  curs* done = add_cursor("DONE", {"y"}, false);
  EXPECT_EQ(add_load_text(src, "cpu -> TOTALS.cpu"), 0);
  curs version = *src;  // a conditional version shares the chain of texts
  EXPECT_EQ(add_load_text(&version, "nosuch -> TOTALS.cpu"),
            0);  // an error moves on to the next text
  EXPECT_EQ(add_load_text(src, "busy -> TOTALS.busy"), 0);
  EXPECT_EQ(add_load_text(second, "io -> TOTALS.count"), 0);
  EXPECT_EQ(add_load_text(done, "y -> TOTALS.cpu"), 0);
  lp_ptr* earlier = cursor_arena().make<lp_ptr>();
  done->parsed_loads = earlier;  // parsed before (a re-run after versions changed)

  clause_result r = parse_all();
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.lines,
            (lines{"PLO3020E Column nosuch not found in cursor SRC for load nosuch -> TOTALS.cpu",
                   "PLO3085E Load parsing ended with errors."}));
  EXPECT_EQ(src->parsed_loads->source, column(src, 1));
  EXPECT_EQ(src->parsed_loads->next->source, column(src, 4));
  EXPECT_EQ(src->parsed_loads->next->next, nullptr);
  EXPECT_EQ(second->parsed_loads->target_column, column(totals, 3));
  EXPECT_EQ(done->parsed_loads, earlier);
  EXPECT_EQ(earlier->next, nullptr);

  // Parsing again leaves cursors with parsed loads alone.
  r = parse_all();
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(src->parsed_loads->next->next, nullptr);
}

}  // namespace
