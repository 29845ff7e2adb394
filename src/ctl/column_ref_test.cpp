// Host-variable column references: type and function prefixes, n! positions
// and ^lengths, read into a cursor's column list or into a column of no cursor.
#include "ctl/column_ref.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ctl/collect.h"
#include "ctl/curs.h"
#include "std_capture.h"
#include "test_state.h"

namespace {

TEST(ColumnRef, ReadsPrefixesOccurrenceAndLength) {
  auto rows = data_rows("ctl/column_refs.txt", 3);
  EXPECT_GT(rows.size(), 10u);
  for (const auto& row : rows) {
    SCOPED_TRACE(row[0]);
    const char* text = row[0].c_str();
    std::vector<int64_t> want = data_ints(row[2]);
    reset_process_state();
    curs c;
    ASSERT_EQ(add_column(text, static_cast<int>(strlen(text)), &c), 0);
    const columns* alone = read_column_spec(text);
    ASSERT_NE(alone, nullptr);
    for (const columns* col : {static_cast<const columns*>(c.column_list), alone}) {
      EXPECT_EQ(std::string(col->name, col->name_len), row[1]);
      EXPECT_EQ(col->name, row[1]);
      EXPECT_EQ((std::vector<int64_t>{col->num_type, col->col_funct, col->occurrence,
                                      col->set_length, col->qualified}),
                want);
    }
    // Functions other than HW! and LW! make a function row; MIN! and MAX! keep extremes.
    EXPECT_EQ(c.has_col_funct, want[1] != 0 && want[1] != 7 && want[1] != 8);
    EXPECT_EQ(c.has_min_max, want[1] == 1 || want[1] == 2);
  }
  // Without a name after the prefixes there is no column.
  for (const char* text : {"", "INT!", "SUM!^5"}) EXPECT_EQ(read_column_spec(text), nullptr);
  reset_process_state();
}

}  // namespace
