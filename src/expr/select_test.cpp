// The internal select over real text rows: grouping by runs with SUM, where
// clauses, every target type and its conversions, one-column reads with their
// refusals and re-binding, and declared variables used by a where clause.
#include "expr/select.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/arena.h"
#include "ctl/curs.h"
#include "ctl_fixture.h"
#include "exits/child_exec.h"
#include "rows/row_chain.h"

namespace {

// A target type by its name in the data files; any other name is an invalid type.
int target_type(const std::string& name) {
  const std::string names[] = {"bad", "text", "integer", "float", "row", "none"};
  return static_cast<int>(std::find(std::begin(names), std::end(names), name) - names);
}

// The lines, each ended by a newline.
std::string joined(const lines& all) {
  std::string out;
  for (const std::string& l : all) out += l + "\n";
  return out;
}

// A target of every type, each untouched until a select stores into one.
struct targets {
  int32_t number = -7;
  float real = -7;
  const char* text = "-7";
  r_exec_chain* chain = nullptr;
  ~targets() { u_free_r_chain(chain); }
  void* of(int type) {
    return type == TARGET_INTEGER ? static_cast<void*>(&number)
           : type == TARGET_FLOAT ? static_cast<void*>(&real)
           : type == TARGET_TEXT  ? static_cast<void*>(&text)
                                  : static_cast<void*>(&chain);
  }
  // The target as a text: numbers printed, text as is, a row target's lines
  // joined by '/', "-7" while untouched.
  std::string stored(int type) const {
    char buf[32];
    snprintf(buf, sizeof buf, "%g", static_cast<double>(real));
    if (type == TARGET_INTEGER || type == TARGET_FLOAT || type == TARGET_TEXT)
      return type == TARGET_INTEGER ? std::to_string(number) : type == TARGET_FLOAT ? buf : text;
    std::string out;
    for (const r_exec_chain* e = chain; e; e = e->next) out += (out.empty() ? "" : "/") + e->line;
    return chain ? out : "-7";
  }
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

  // Gives T the rows of `data`, "a:b" joined by '~'; `shift` as for make_columns().
  void fill(const std::string& data, int shift = 0) {
    free_all_rows(cur_);
    std::istringstream in(data);
    for (std::string a, b; std::getline(in, a, ':') && std::getline(in, b, '~');) {
      text_row* row = alloc_text_row(shift + 13);
      memset(row->text(), ' ', static_cast<size_t>(shift + 12));
      char* t = row->text() + shift;
      memcpy(t, a.data(), a.size());
      t[5] = '\0';
      snprintf(t + 6, 7, "%6s", b.c_str());
      append_row(cur_, row);
    }
  }

  curs* cur_ = nullptr;
  TERM_TABLE* anchor_ = nullptr;
};

// Rows of tests/data/expr/selects.txt.
TEST_F(selects, SelectsGroupsAndTargets) {
  auto rows = data_rows("expr/selects.txt", 7);
  EXPECT_GT(rows.size(), 15u);
  for (const auto& row : rows) {
    SCOPED_TRACE(row[1] + " where " + row[2]);
    fill(row[0]);
    const int type = target_type(row[3]);
    targets t;
    lex_block list, where;
    int rc = -1;
    std::string stored;
    lines msgs = captured([&] {
      start_exec_sql(anchor_);
      rc = perform_select(&list, row[1].c_str(), "T", t.of(type), type, &where,
                          row[2] == "-" ? nullptr : row[2].c_str());
      stored = t.stored(type);
      end_exec_sql(&anchor_);
    });
    EXPECT_EQ((lines{std::to_string(rc), stored, joined(msgs)}), lines(row.begin() + 4, row.end()));
    EXPECT_EQ(cur_->current_row, cur_->last_row);  // the columns read the last row again
    free_lex_block(&list);
    free_lex_block(&where);
  }
}

// Rows of tests/data/expr/select_columns.txt; then re-binding and declared variables.
TEST_F(selects, ColumnReadsAndVariables) {
  fill("x:3~y:12");
  start_exec_sql(nullptr);
  for (const auto& row : data_rows("expr/select_columns.txt", 8)) {
    SCOPED_TRACE(row[0] + " " + row[3]);
    const int type = target_type(row[2]);
    targets t;
    TERM_TABLE name_term;
    name_term.entry_kind = ENTRY_TERM;
    name_term.term_type = T_NAME;
    TERM_TABLE* term = row[4] == "1" ? &name_term : nullptr;
    int rc = -1;
    lines msgs = captured([&] {
      rc = select_column(row[0].c_str(), row[1].c_str(), t.of(type), type,
                         row[3] == "-" ? nullptr : row[3].c_str(), &term);
    });
    EXPECT_EQ((lines{std::to_string(rc), t.stored(type), joined(msgs)}),
              lines(row.begin() + 5, row.end()));
  }
  // A binding follows the cursor to another layout of its columns.
  TERM_TABLE* term = nullptr;
  int32_t number = 0;
  ASSERT_EQ(select_column("b", "T", &number, TARGET_INTEGER, nullptr, &term), 0);
  cur_->column_list = make_columns(4);
  fill("z:40", 4);
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
