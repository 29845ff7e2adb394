// Host-variable column references: type and function prefixes, n! positions
// and ^lengths, read into a cursor's column list or into a column of no cursor.
#include "ctl/column_ref.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ctl/collect.h"
#include "ctl/curs.h"
#include "test_state.h"

namespace {

TEST(ColumnRef, ReadsPrefixesOccurrenceAndLength) {
  struct row {
    const char* text;
    const char* name;
    int num_type, col_funct, occurrence, set_length, qualified;
  };
  // clang-format off
  const row rows[] = {
      {"cpu", "cpu", 0, 0, 0, 0, 0},                // a plain name
      {"AVG!INT!cpu^12", "cpu", 1, 3, 0, 12, 0},    // function, type and length
      {"INT!AVG!cpu", "cpu", 1, 3, 0, 0, 0},        // type before the function
      {"int64!sum!x", "x", 5, 6, 0, 0, 0},          // lower-case prefixes
      {"Int!x", "Int!x", 0, 0, 0, 0, 0},            // mixed case is no prefix
      {"FLOAT!MIN!TS!x", "x", 3, 1, 0, 0, 0},       // a second type replaces the first
      {"ns!x", "x", 4, 0, 0, 0, 0},                 // the last type
      {"HW!x", "x", 0, 7, 0, 0, 0},                 // high water: no function row
      {"3!", "3!", 0, 0, 3, 0, 0},                  // n!: the digits stay in the name
      {"0!", "0!", 0, 0, 1, 0, 0},                  // 0 counts as the first
      {"INT!2!", "2!", 1, 0, 2, 0, 0},              // a number after the type
      {"s.col^x", "s.col", 0, 0, 0, 0, 1},          // qualified; ^ without digits
      {"a^5b", "a", 0, 0, 0, 5, 0},                 // the name ends at ^
  };
  // clang-format on
  for (const row& r : rows) {
    SCOPED_TRACE(r.text);
    reset_process_state();
    curs c;
    ASSERT_EQ(add_column(r.text, static_cast<int>(strlen(r.text)), &c), 0);
    const columns* alone = read_column_spec(r.text);
    ASSERT_NE(alone, nullptr);
    for (const columns* col : {static_cast<const columns*>(c.column_list), alone}) {
      EXPECT_EQ(std::string(col->name, col->name_len), r.name);
      EXPECT_STREQ(col->name, r.name);
      EXPECT_EQ(
          (std::vector<int>{col->num_type, col->col_funct, col->occurrence, col->set_length,
                            col->qualified}),
          (std::vector<int>{r.num_type, r.col_funct, r.occurrence, r.set_length, r.qualified}));
    }
    // Functions other than HW! and LW! make a function row; MIN! and MAX! keep extremes.
    EXPECT_EQ(c.has_col_funct, r.col_funct != 0 && r.col_funct != 7 && r.col_funct != 8);
    EXPECT_EQ(c.has_min_max, r.col_funct == 1 || r.col_funct == 2);
  }
  // Without a name after the prefixes there is no column.
  for (const char* text : {"", "INT!", "SUM!^5"}) EXPECT_EQ(read_column_spec(text), nullptr);
  reset_process_state();
}

}  // namespace
