// The probe record: layout of aligned binary columns and the conversion of each
// column type, with the saturation and fallback rules of bad values.
#include "rows/row_record.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "row_fixture.h"
#include "test_state.h"
#include "util/trace.h"

namespace {

using RowRecordTest = RowTest;

struct layout_case {
  std::vector<std::array<int16_t, 3>> cols;  // num_type, fmt_len, set_length
  std::vector<int16_t> offsets;
  int32_t size;
};

TEST_F(RowRecordTest, LayoutAlignsBinaryColumns) {
  const layout_case cases[] = {
      {{{1, 11, 0}, {2, 21, 0}, {0, 3, 0}}, {0, 8, 16}, 19},     // INT!, FLOAT! after padding, text
      {{{0, 3, 0}, {5, 21, 0}}, {0, 4}, 12},                     // INT64! aligned to 4
      {{{0, 8, 0}, {2, 21, 0}}, {0, 8}, 16},                     // FLOAT! aligned already
      {{{0, 5, 0}, {4, 9, 0}, {3, 20, 0}}, {0, 0, 5}, 21},       // NS! takes nothing, TS! 16
      {{{0, 10, 4}, {3, 19, 20}, {1, 21, 30}}, {0, 4, 24}, 28},  // set lengths; INT! drops its
      {{}, {}, 0},                                               // no columns
      // wider than a record can be: refused, nothing laid out (offsets stay 0)
      {{{0, 20000, 0}, {0, 20000, 0}, {0, 3, 0}}, {0, 0, 0}, -1},
  };
  for (const auto& c : cases) {
    curs* cur = test_cursor("LAYOUT");
    for (auto [num_type, len, set] : c.cols) {
      columns* col = test_column(cur, "c", num_type);
      col->fmt_len = len;
      col->set_length = set;
    }
    EXPECT_EQ(get_row_size(cur), c.size);
    EXPECT_EQ(cur->row_size, c.size < 0 ? 0 : c.size);
    std::vector<int16_t> got;
    for (columns* col = cur->column_list; col; col = col->next) {
      got.push_back(col->record_offset);
      if (col->num_type == 1) {
        EXPECT_EQ(col->set_length, 0);
      }
    }
    EXPECT_EQ(got, c.offsets);
  }
}

// Rows of tests/data/rows/convert.txt.
TEST_F(RowRecordTest, ConvertsEachColumnType) {
  auto rows = data_rows("rows/convert.txt", 3);
  EXPECT_GT(rows.size(), 20u);
  for (const auto& row : rows) {
    SCOPED_TRACE(row[1]);
    std::vector<int64_t> types = data_ints(row[0]);
    curs* cur = test_cursor("CONV");
    columns* col = test_column(cur, "v", static_cast<int16_t>(types[0]));
    col->orig_type = static_cast<int16_t>(types[1]);
    col->fmt_len = static_cast<int16_t>(row[1].size());
    col->set_length = static_cast<int16_t>(types[2]);
    int32_t size = get_row_size(cur);
    ASSERT_EQ(static_cast<size_t>(size), row[2].size());
    std::string text = row[1] + std::string(1, '\0');
    std::string out(static_cast<size_t>(size), '\x7f');
    EXPECT_EQ(make_row(cur, out.data(), text.data()), 0);
    EXPECT_EQ(out, row[2]);
  }
}

}  // namespace
