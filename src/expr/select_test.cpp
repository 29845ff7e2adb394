// The internal select over real text rows: grouping by runs with SUM, where
// clauses, every target type and its conversions, one-column reads with their
// refusals and re-binding, and declared variables used by a where clause.
#include "expr/select.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/arena.h"
#include "ctl/curs.h"
#include "ctl_fixture.h"
#include "exits/child_exec.h"
#include "rows/row_chain.h"

namespace {

struct ab {
  const char* a;  // character column of 5
  const char* b;  // Number column of 6
};

class selects : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_process_state();
    cur_ = cursor_arena().make<curs>();
    memcpy(cur_->cur_name, "T", 1);
    anchors.cur_anchor = cur_;
    cur_->column_list = make_columns(0);
  }
  void TearDown() override { reset_process_state(); }

  // Columns a and b; `shift` moves both (another version's layout).
  columns* make_columns(int shift) {
    columns* a = cursor_arena().make<columns>();
    columns* b = cursor_arena().make<columns>();
    strcpy(a->name, "a");
    a->offset = shift;
    a->fmt_len = 5;
    a->orig_type = 1;
    strcpy(b->name, "b");
    b->offset = shift + 6;
    b->fmt_len = 6;
    b->orig_type = 2;
    a->next = b;
    return a;
  }

  void fill(const std::vector<ab>& rows, int shift = 0) {
    free_all_rows(cur_);
    for (const ab& r : rows) {
      text_row* row = alloc_text_row(shift + 13);
      memset(row->text(), ' ', static_cast<size_t>(shift + 12));
      char* t = row->text() + shift;
      memcpy(t, r.a, strlen(r.a));
      t[5] = '\0';
      snprintf(t + 6, 7, "%6s", r.b);
      append_row(cur_, row);
    }
  }

  curs* cur_ = nullptr;
  TERM_TABLE* anchor_ = nullptr;
};

// The target as a text: integers and floats printed, text as is, row lines
// joined by '/'.
TEST_F(selects, SelectsGroupsAndTargets) {
  struct row {
    std::vector<ab> data;
    const char* list;
    const char* where;  // null: none
    int target_type;
    int rc;
    const char* stored;  // "-7" is the untouched integer target
    lines msgs;
  };
  const std::vector<ab> groups = {{"1", "1"}, {"1", "2"}, {"2", "4"}};
  const std::vector<ab> texts = {{"2.9", "5"}, {"x y", "7"}};
  const row rows[] = {
      // no rows: 100, the target untouched
      {{}, "SUM(b)", nullptr, TARGET_INTEGER, 100, "-7", {"SEL0010W Cursor T has no data"}},
      // a where clause no row satisfies
      {groups, "SUM(b)", "b > 100", TARGET_INTEGER, 100, "-7", {}},
      // SUM over every row into an integer
      {groups, "SUM(b)", nullptr, TARGET_INTEGER, 0, "7", {}},
      // runs of equal a: each group disposed, its sum restarting
      {groups, "a, SUM(b)", nullptr, TARGET_ROW, 0, "1 3.000000/2 4.000000", {}},
      // the integer target keeps the last group's first value
      {groups,
       "a, SUM(b)",
       nullptr,
       TARGET_INTEGER,
       0,
       "2",
       {"SEL0610W Can not store a row into variable: taking just the first column of the row",
        "SEL0610W Can not store a row into variable: taking just the first column of the row"}},
      // a run ends when the value comes back later: three groups
      {{{"1", "1"}, {"2", "2"}, {"1", "4"}},
       "a, SUM(b)",
       nullptr,
       TARGET_ROW,
       0,
       "1 1.000000/2 2.000000/1 4.000000",
       {}},
      // the where clause filters before grouping
      {groups, "a, SUM(b)", "b ^= 2", TARGET_ROW, 0, "1 1.000000/2 4.000000", {}},
      // two plain columns into an integer: the first, with a warning
      {{{"x", "5"}},
       "b, a",
       nullptr,
       TARGET_INTEGER,
       0,
       "5",
       {"SEL0610W Can not store a row into variable: taking just the first column of the row"}},
      // text read as an integer is truncated; a float from an arithmetic result
      {texts, "a", "b = 5", TARGET_INTEGER, 0, "2", {}},
      {{{"x", "1.5"}, {"x", "2.25"}}, "SUM(b)", nullptr, TARGET_FLOAT, 0, "3.75", {}},
      {texts, "a", "b = 7", TARGET_TEXT, 0, "x y  ", {}},  // the value as stored
      {texts, "a", "b = 7", TARGET_ROW, 0, "'x y'", {}},
      {texts, "a", nullptr, TARGET_NONE, 0, "-7", {}},  // accepted, nothing stored
      {texts,
       "a",
       "b = 7",
       TARGET_INTEGER,
       1,
       "-7",
       {"SEL0630E Value of x y   can not be converted into number"}},
      {texts,
       "a",
       "b = 7",
       TARGET_FLOAT,
       1,
       "-7",
       {"SEL0650E Value of x y   can not be converted into number"}},
      {texts, "a", "b = 7", 9, 1, "-7", {"SEL0670E Invalid target type"}},
      // a where clause without a result ignores the row
      {{{"x", "1"}},
       "a",
       "a + 1 > 0",
       TARGET_INTEGER,
       100,
       "-7",
       {"INT0315E Can't convert argument x     to numeric for an arithmetic operation",
        "INT0030E Operation + failed",
        "SEL0050W Can not evaluate a row for cursor T:       may be next time",
        "SEL0320W Ignoring a row for cursor T"}},
      // a where result that is no number ignores the row
      {{{"x", "1"}},
       "a",
       "ROW(a)",
       TARGET_INTEGER,
       100,
       "-7",
       {"SEL0060W Invalid conditional expression result for         cursor T: will try next time",
        "SEL0320W Ignoring a row for cursor T"}},
      // a row the select list fails on ends the select
      {{{"12345", "1"}, {"x", "1"}},
       "a + 1",
       nullptr,
       TARGET_INTEGER,
       1,
       "-7",
       {"INT0315E Can't convert argument x     to numeric for an arithmetic operation",
        "INT0030E Operation + failed",
        "SEL0100E Can not process a row for cursor T:       may be next time"}},
      // a select list that does not parse
      {groups,
       "a +",
       nullptr,
       TARGET_INTEGER,
       1,
       "-7",
       {"LEX0130E Syntax error: invalid character sequence in expression",
        "LEX0005E If-condition parsing ended with error"}},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(std::string(r.list) + " where " + (r.where ? r.where : "-"));
    fill(r.data);
    int32_t number = -7;
    float real = -7;
    const char* text = "-7";
    r_exec_chain* chain = nullptr;
    void* target = r.target_type == TARGET_INTEGER ? static_cast<void*>(&number)
                   : r.target_type == TARGET_FLOAT ? static_cast<void*>(&real)
                   : r.target_type == TARGET_TEXT  ? static_cast<void*>(&text)
                                                   : static_cast<void*>(&chain);
    lex_block list, where;
    int rc = -1;
    std::string stored;
    lines msgs = captured([&] {
      start_exec_sql(anchor_);
      rc = perform_select(&list, r.list, "T", target, r.target_type, &where, r.where);
      char buf[32];
      if (r.target_type == TARGET_INTEGER) {
        stored = std::to_string(number);
      } else if (r.target_type == TARGET_FLOAT) {
        snprintf(buf, sizeof buf, "%g", static_cast<double>(real));
        stored = buf;
      } else if (r.target_type == TARGET_TEXT) {
        stored = text;
      } else {
        for (r_exec_chain* e = chain; e; e = e->next)
          stored += (stored.empty() ? "" : "/") + e->line;
        if (!chain) stored = "-7";
      }
      end_exec_sql(&anchor_);
    });
    u_free_r_chain(chain);
    EXPECT_EQ(rc, r.rc);
    EXPECT_EQ(stored, r.stored);
    EXPECT_EQ(msgs, r.msgs);
    EXPECT_EQ(cur_->current_row, cur_->last_row);  // the columns read the last row again
    free_lex_block(&list);
    free_lex_block(&where);
  }
}

TEST_F(selects, ColumnReadsAndVariables) {
  fill({{"x", "3"}, {"y", "12"}});
  struct row {
    const char* column;
    const char* cursor;
    int target_type;
    const char* var;  // null: none
    bool bad_term;    // pass a term that is not a column binding
    int rc;
    std::string stored;
    lines msgs;
  };
  const row rows[] = {
      {"b", "T", TARGET_INTEGER, nullptr, false, 0, "12", {}},  // the last row's value
      {"b", "T", TARGET_FLOAT, "f", false, 0, "12", {}},
      {"a", "T", TARGET_TEXT, "v", false, 0, "y", {}},  // trailing blanks dropped
      {"a",
       "T",
       TARGET_INTEGER,
       "w",
       false,
       1,
       "-7",
       {"SEL0825E Invalid data type passed for variable w."}},
      {"b",
       "T",
       TARGET_TEXT,
       "f",
       false,
       1,
       "-7",  // f was declared a float above
       {"SEL0825E Invalid data type passed for variable f."}},
      {"a",
       "T",
       TARGET_TEXT,
       nullptr,
       false,
       1,
       "-7",
       {"SEL0860E Char target type requires a declared term variable"}},
      {"a", "T", TARGET_ROW, nullptr, false, 1, "-7", {"SEL0870E Invalid target type"}},
      {"a", "U", TARGET_INTEGER, nullptr, false, 1, "-7", {"SEL0810E Cursor U not found"}},
      {"zz",
       "T",
       TARGET_INTEGER,
       nullptr,
       false,
       1,
       "-7",
       {"SEL0830E Column zz not found for cursor T"}},
      {"b",
       "T",
       TARGET_INTEGER,
       nullptr,
       true,
       1,
       "-7",
       {"SEL0815E Pointer to invalid term block is passed"}},
      {"b", "T", TARGET_INTEGER, "", false, 1, "-7", {"SEL0820E Variable  allocation failed"}},
  };
  start_exec_sql(nullptr);
  for (const row& r : rows) {
    SCOPED_TRACE(std::string(r.column) + " " + (r.var ? r.var : "-"));
    int32_t number = -7;
    float real = -7;
    const char* text = "-7";
    void* target = r.target_type == TARGET_INTEGER ? static_cast<void*>(&number)
                   : r.target_type == TARGET_FLOAT ? static_cast<void*>(&real)
                                                   : static_cast<void*>(&text);
    TERM_TABLE name_term;
    name_term.entry_kind = ENTRY_TERM;
    name_term.term_type = T_NAME;
    TERM_TABLE* term = r.bad_term ? &name_term : nullptr;
    int rc = -1;
    lines msgs = captured(
        [&] { rc = select_column(r.column, r.cursor, target, r.target_type, r.var, &term); });
    std::string stored = r.target_type == TARGET_INTEGER ? std::to_string(number)
                         : r.target_type == TARGET_FLOAT ? std::to_string(static_cast<int>(real))
                                                         : std::string(text);
    EXPECT_EQ(rc, r.rc);
    EXPECT_EQ(stored, r.stored);
    EXPECT_EQ(msgs, r.msgs);
  }
  // A binding follows the cursor to another layout of its columns.
  TERM_TABLE* term = nullptr;
  int32_t number = 0;
  ASSERT_EQ(select_column("b", "T", &number, TARGET_INTEGER, nullptr, &term), 0);
  cur_->column_list = make_columns(4);
  fill({{"z", "40"}}, 4);
  ASSERT_EQ(select_column("b", "T", &number, TARGET_INTEGER, nullptr, &term), 0);
  EXPECT_EQ(number, 40);
  // Declared variables are read by expressions; bad declarations are refused.
  int32_t limit = 30;
  ASSERT_EQ(declare_C_var("lim", TARGET_INTEGER, &limit), 0);
  lex_block list, where;
  lines msgs = captured([&] {
    EXPECT_EQ(declare_C_var("x", 7, &limit), 1);
    EXPECT_EQ(declare_C_var("", TARGET_INTEGER, &limit), 1);
    EXPECT_EQ(perform_select(&list, "SUM(b)", "T", &number, TARGET_INTEGER, &where, "b < lim"),
              100);
  });
  EXPECT_EQ(msgs, (lines{"TRM0110E Invalid data type for variable x",
                         "TRM0100E Variable  declaration failed"}));
  free_lex_block(&list);
  free_lex_block(&where);
  end_exec_sql(&anchor_);
}

}  // namespace
