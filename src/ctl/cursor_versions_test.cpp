// Conditional cursor versions: the version trees of sequential and nested IFs
// as COLLECT.CTL builds them, and the choice of a version from the cursor's
// own current row, with the run state carried over when the choice changes.
#include "ctl/cursor_versions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/collect.h"
#include "ctl_fixture.h"
#include "rows/age_to_loads.h"
#include "rows/row_chain.h"

namespace {

class CursorVersions : public ctl_test {
 protected:
  // Parses one cursor block A made of `body` and a limit of 9 after it (which
  // every version without a limit of its own takes); returns its slot.
  curs* parse_block(const std::string& body) {
    std::string text = body;  // one statement a line
    for (size_t at = 0; (at = text.find("; ", at)) != std::string::npos;)
      text.replace(at, 2, ";\n");
    write("coll", "cursor A;\ninsert into T (x) values (:x);\ninterval 60;\n" + text +
                      "\nlimit 9;\nend;\n");
    int rc = -1;
    EXPECT_EQ(run(parse_curs, &rc), lines{});
    EXPECT_EQ(rc, 0);
    return anchors.cur_anchor;
  }

  // Every version on the slot's ring, in ring order from the first version, as
  // "limit,samples" joined by blanks.
  static std::string versions(curs* slot) {
    std::string out;
    curs* first = slot->tree_place;
    curs* v = first;
    for (int n = 0; n < 100 && (n == 0 || (v && v != first)); ++n, v = v->vers_list)
      out += (n ? " " : "") + std::to_string(v->limit) + "," + std::to_string(v->samples);
    return out;
  }

  // Gives the slot one row whose column x holds `value` (5 characters).
  static void set_row(curs* slot, const char* value) {
    columns* x = slot->column_list;
    x->offset = 0;
    x->fmt_len = 5;
    free_all_rows(slot);
    text_row* r = alloc_text_row(5);
    snprintf(r->text(), 6, "%-5s", value);
    append_row(slot, r);
  }
};

// Rows of tests/data/ctl/version_trees.txt.
TEST_F(CursorVersions, TreesOfSequentialAndNestedIfs) {
  for (const auto& row : data_rows("ctl/version_trees.txt", 2)) {
    SCOPED_TRACE(row[0]);
    restart();
    curs* slot = parse_block(row[0]);
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(versions(slot), row[1]);
    EXPECT_EQ(slot->limit, std::stoi(row[1]));  // the slot holds the first version
    EXPECT_NE(slot->conditional, nullptr);
  }
}

// A tree grows until it holds too many records; the record that does not fit
// is refused with the message of the statement or step that would make it.
// Parsing counts an IF's node and then-version and an ELSE's version;
// multiplying sequential IFs counts the copies it makes on top.
TEST_F(CursorVersions, ATreeTooLargeIsRefusedWhereItOutgrowsItsRoom) {
  auto times = [](int n, const std::string& text) {
    std::string out;
    for (int i = 0; i < n; ++i) out += text;
    return out;
  };
  const std::string pair = "if x = '1';\nendif;\n";
  const std::string with_else = "if x = '1';\nelse;\nendif;\n";
  const std::string not_valid = "PIF0120E IF-tree for cursor A not valid";
  struct row {
    std::string body;
    lines msgs;
  };
  const row rows[] = {
      // 2048 IFs fill the room: the next IF's node does not fit
      {times(2049, pair), {"PIF0020E Can not acquire memory", not_valid}},
      // one record later the node fits and its then-version does not
      {with_else + times(2047, pair), {"PIF0040E Can not acquire memory", not_valid}},
      // the last record went to an IF: its ELSE finds none (the IF stays open)
      {times(2047, pair) + with_else,
       {"PIF0060E Can not acquire memory",
        "PIF0100E Cursor A end encountered before expected ENDIF"}},
      // multiplying: a copied IF's node, its then- or else-version, an implicit else
      {times(11, pair), {"PIF0180E Can not acquire memory", not_valid}},
      {with_else + times(11, pair), {"PIF0160E Can not acquire memory", not_valid}},
      {times(9, pair) + times(2, with_else), {"PIF0170E Can not acquire memory", not_valid}},
      {times(12, pair), {"PIF0140E Can not acquire memory", not_valid}},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.msgs[0]);
    restart();
    write("coll", "cursor A;\ninsert into T (x) values (:x);\nlimit 9;\n" + r.body + "end;\n");
    int rc = -1;
    lines want = r.msgs;
    want.push_back("PCC0755E Parsing ended with errors");
    EXPECT_EQ(run(parse_curs, &rc), want);
    EXPECT_EQ(rc, 1);
  }
}

TEST_F(CursorVersions, TheChoiceFollowsTheRowAndKeepsTheRunState) {
  curs* slot = parse_block("if x = '1'; limit 5; else; limit 7; endif;");
  ASSERT_EQ(define_vers_chain(), 0);
  curs* then_version = slot->tree_place;
  set_row(slot, "1");
  EXPECT_EQ(captured([] { EXPECT_EQ(tune_up_cursor_versions("20240115100000"), 0); }), lines{});
  EXPECT_EQ(slot->limit, 5);
  EXPECT_EQ(slot->tree_place, then_version);
  EXPECT_STREQ(slot->vers_time, "20240115100000");

  // The condition turns false: the slot takes the else-version, keeps its
  // last run time and its decode hold; the then-version keeps the rows.
  memcpy(slot->last_time, "20240115095959", 15);
  slot->hold = 'Y';
  slot->held_by_decode = 1;
  text_row* rows = slot->first_row;
  memcpy(rows->text(), "2    ", 5);
  EXPECT_EQ(select_cursor_version(slot, "20240115100100"), 1);
  EXPECT_EQ(slot->limit, 7);
  EXPECT_STREQ(slot->last_time, "20240115095959");
  EXPECT_EQ(slot->hold, 'Y');
  EXPECT_EQ(slot->held_by_decode, 1);
  EXPECT_EQ(then_version->held_by_decode, 0);
  EXPECT_EQ(then_version->first_row, rows);
  EXPECT_EQ(slot->first_row, nullptr);
  EXPECT_EQ(select_cursor_version(slot, "20240115100200"), -1);  // no row: no value
  // The rows the then-version keeps are released with every cursor's rows.
}

// The age-to copy on the chain always shows the previous sample of the
// version in the slot: a change saves its state (rows and summary row) into
// the old version's own copy and fills it from the selected version's. Every
// row has one owner; the sanitizer build checks that each is freed once.
TEST_F(CursorVersions, TheAgeToCopyFollowsTheVersion) {
  write("coll",
        "cursor A;\ninsert into T (x) values (:x);\ninterval 60;\nage_to B;\n"
        "if x = '1';\nlimit 5;\nelse;\nlimit 7;\nendif;\n"
        "cursor B;\ninsert into U (x) values (:x);\ndemand;\nend;\n");
  int rc = -1;
  EXPECT_EQ(run(parse_curs, &rc), lines{});
  ASSERT_EQ(rc, 0);
  curs* slot = anchors.cur_anchor;
  curs* b = slot->next;
  captured([] { ASSERT_EQ(edit_age_to(), 0); });
  ASSERT_EQ(define_vers_chain(), 0);
  ASSERT_EQ(slot->aged_copy, b);
  curs* then_version = slot->tree_place;
  // B holds the then-version's previous sample and its summary row.
  auto give_rows = [](curs* c) {
    append_row(c, alloc_text_row(5));
    free_text_row(c->function_row);
    c->function_row = alloc_text_row(5);
    return std::pair(c->first_row, c->function_row);
  };
  set_row(slot, "2");
  const auto then_sample = give_rows(b);
  ASSERT_EQ(select_cursor_version(slot, "20240115100000"), 1);  // to the else-version
  curs* else_version = slot->tree_place;
  ASSERT_NE(else_version, then_version);
  EXPECT_EQ(slot->aged_copy, b);
  EXPECT_EQ(then_version->aged_copy->first_row, then_sample.first);
  EXPECT_EQ(then_version->aged_copy->function_row, then_sample.second);
  EXPECT_EQ(b->first_row, nullptr);  // the else-version has no previous sample yet
  EXPECT_EQ(b->function_row, nullptr);

  set_row(slot, "1");
  const auto else_sample = give_rows(b);
  ASSERT_EQ(select_cursor_version(slot, "20240115100100"), 1);  // back to the then-version
  EXPECT_EQ(slot->tree_place, then_version);
  EXPECT_EQ(slot->aged_copy, b);
  EXPECT_EQ(std::pair(b->first_row, b->function_row), then_sample);
  EXPECT_EQ(std::pair(else_version->aged_copy->first_row, else_version->aged_copy->function_row),
            else_sample);
  EXPECT_EQ(then_version->aged_copy->first_row, nullptr);
  release_all_rows();
}

TEST_F(CursorVersions, AConditionWithoutANumberKeepsTheVersion) {
  const std::pair<const char*, lines> rows[] = {
      {"ROW(x)",
       {"CSL0020E Invalid conditional expression result for           cursor A: "
        "will try next time"}},
      {"x + 1",
       {"INT0315E Can't convert argument 1     to numeric for an arithmetic operation",
        "INT0030E Operation + failed",
        "CSL0010E Can not determine cursor A version:         may be next time"}},
  };
  for (const auto& [condition, msgs] : rows) {
    SCOPED_TRACE(condition);
    restart();
    curs* slot = parse_block(std::string("if ") + condition + "; limit 5; endif;");
    curs* before = slot->tree_place;
    set_row(slot, "1");
    int rc = 0;
    EXPECT_EQ(captured([&] { rc = select_cursor_version(slot, "20240115100000"); }), msgs);
    EXPECT_EQ(rc, -1);
    EXPECT_EQ(slot->tree_place, before);
    free_all_rows(slot);
  }
}

}  // namespace
