// What a cursor block becomes, on records built directly: host-variable
// columns with their prefixes, the checks that need clause records or
// versions, and the listing of column functions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ctl/collect.h"
#include "ctl/curs.h"
#include "ctl/reader.h"
#include "ctl_fixture.h"
#include "driver/steps.h"
#include "test_state.h"
#include "util/trace.h"

namespace {

TEST(AddColumn, ReadsPrefixesOccurrenceAndLength) {
  struct row {
    const char* text;
    const char* name;
    int num_type, col_funct, occurrence, set_length, qualified;
  };
  // clang-format off
  const row rows[] = {
      {"cpu", "cpu", 0, 0, 0, 0, 0},                      // a plain name
      {"AVG!INT!cpu^12", "cpu", 1, 3, 0, 12, 0},          // function, type and length
      {"INT!AVG!cpu", "cpu", 1, 3, 0, 0, 0},              // type before the function
      {"int64!sum!x", "x", 5, 6, 0, 0, 0},                // lower-case prefixes
      {"Int!x", "Int!x", 0, 0, 0, 0, 0},                  // mixed case is no prefix
      {"FLOAT!MIN!TS!x", "x", 3, 1, 0, 0, 0},             // a second type replaces the first
      {"NS!x", "x", 4, 0, 0, 0, 0},
      {"ns!x", "x", 4, 0, 0, 0, 0},
      {"MAX!x", "x", 0, 2, 0, 0, 0},
      {"WAVG!x", "x", 0, 4, 0, 0, 0},
      {"TREND!x", "x", 0, 5, 0, 0, 0},
      {"HW!x", "x", 0, 7, 0, 0, 0},
      {"LW!x", "x", 0, 8, 0, 0, 0},
      {"COUNT!x", "x", 0, 9, 0, 0, 0},
      {"3!", "3!", 0, 0, 3, 0, 0},                        // n!: the digits stay in the name
      {"0!", "0!", 0, 0, 1, 0, 0},                        // 0 counts as the first
      {"INT!2!", "2!", 1, 0, 2, 0, 0},                    // a number after the type
      {"s.col^x", "s.col", 0, 0, 0, 0, 1},                // qualified; ^ without digits
      {"a^5b", "a", 0, 0, 0, 5, 0},                       // the name ends at ^
  };
  // clang-format on
  for (const row& r : rows) {
    SCOPED_TRACE(r.text);
    reset_process_state();
    curs c;
    ASSERT_EQ(add_column(r.text, static_cast<int>(strlen(r.text)), &c), 0);
    const columns* col = c.column_list;
    ASSERT_NE(col, nullptr);
    EXPECT_EQ(std::string(col->name, col->name_len), r.name);
    EXPECT_STREQ(col->name, r.name);
    EXPECT_EQ(col->num_type, r.num_type);
    EXPECT_EQ(col->col_funct, r.col_funct);
    EXPECT_EQ(col->occurrence, r.occurrence);
    EXPECT_EQ(col->set_length, r.set_length);
    EXPECT_EQ(col->qualified, r.qualified);
    // Only functions other than HW! and LW! make a function row; MIN!/MAX! keep extremes.
    EXPECT_EQ(c.has_col_funct, r.col_funct != 0 && r.col_funct != 7 && r.col_funct != 8);
    EXPECT_EQ(c.has_min_max, r.col_funct == 1 || r.col_funct == 2);
  }
  reset_process_state();
}

// The checks that need clause records or versions, on records built directly.
TEST(EditCursorBlock, RefusesClauseAndVersionConflicts) {
  struct row {
    const char* what;
    void (*set)(curs*);
    std::string line;
  };
  static char opaque[64];  // stands for a clause record; the checks only test presence
  const row rows[] = {
      {"base", [](curs* c) { c->no_sql = 1, c->bases = reinterpret_cast<base*>(opaque); },
       "PCC0410E NO_SQL and BASE are incompatable"},
      {"iterate_where", [](curs* c) { c->iterate_where = reinterpret_cast<i_ptr*>(opaque); },
       "PCC0415E ITERATE_WHERE requires ITERATE"},
      {"conditional", [](curs* c) { c->virtual_ = 1, c->conditional = 1; },
       "PCC0443E A virtual cursor (V) can't be conditional"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    reset_process_state();
    ctl_files files;
    curs c;
    memcpy(c.cur_name, "V", 2);
    c.interval = 5;
    c.limit = 1;
    c.insert = "insert into T (x) values (?)";
    c.table_name = "T";
    add_column("x", 1, &c);
    r.set(&c);
    int rc = -1;
    auto lines = captured([&] { rc = edit_cursor_block(&c); });
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(reader.failed, 1);
    EXPECT_EQ(lines, std::vector<std::string>{r.line});
  }
  reset_process_state();
}

TEST(ShowCurs, ListsEveryColumnFunction) {
  reset_process_state();
  ctl_files files;
  files.write("coll",
              "cursor F;\ninsert into T (a,b,c,d,e,f,g,h,i) values (:MIN!a, :MAX!b, :AVG!c, "
              ":WAVG!d, :TREND!e, :SUM!f, :HW!g, :LW!h, :COUNT!i);\ninterval 5;\nlimit 1;\n"
              "history;\nend;\n");
  tracing.trace_all = 1;
  tracing.trace_something = 1;
  int rc = -1;
  auto lines = captured([&] { rc = parse_curs(); });
  ASSERT_EQ(rc, 0);
  std::vector<std::string> listed;
  for (const std::string& l : lines) {
    if (l.compare(0, 3, "PSC") == 0 && l.find("Col Funct") != std::string::npos)
      listed.push_back(l);
    if (l.compare(0, 7, "PSC0210") == 0 || l.compare(0, 7, "PSC0225") == 0) listed.push_back(l);
  }
  EXPECT_EQ(listed, (std::vector<std::string>{
                        "PSC0080T    has Col Funct = MIN",
                        "PSC0085T    has Col Funct = MAX",
                        "PSC0090T    has Col Funct = AVG",
                        "PSC0095T    has Col Funct = WAVG",
                        "PSC0100T    has Col Funct = TREND",
                        "PSC0105T    has Col Funct = SUM",
                        "PSC0110T    has Col Funct = HIGH_WATER",
                        "PSC0115T    has Col Funct = LOW_WATER",
                        "PSC0120T    has Col Funct = COUNT",
                        "PSC0210T History applies",
                        "PSC0225T Not a demand cursor",
                    }));
  reset_process_state();
}

}  // namespace
