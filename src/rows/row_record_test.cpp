// The probe record: layout of aligned binary columns and the conversion of each
// column type, with the saturation and fallback rules of bad values.
#include "rows/row_record.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "rows/row_test_support.h"
#include "test_state.h"
#include "util/trace.h"

namespace {

using RowRecordTest = RowTest;

template <class T>
std::string bytes_of(T value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

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
  };
  for (const auto& c : cases) {
    curs* cur = test_cursor("LAYOUT");
    for (auto [num_type, len, set] : c.cols) {
      columns* col = test_column(cur, "c", num_type);
      col->fmt_len = len;
      col->set_length = set;
    }
    EXPECT_EQ(get_row_size(cur), c.size);
    EXPECT_EQ(cur->row_size, c.size);
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

struct convert_case {
  int16_t num_type;
  int16_t orig_type;
  int16_t set_length;
  std::string value;     // the stored value, fmt_len bytes
  std::string expected;  // the record bytes
};

TEST_F(RowRecordTest, ConvertsEachColumnType) {
  const convert_case cases[] = {
      {1, 2, 0, "99999999999", bytes_of<int32_t>(2147483647)},   // INT! over 11 digits saturates
      {1, 2, 0, "-99999999999", bytes_of<int32_t>(2147483647)},  // and its negative as well
      {1, 2, 0, "       -17", bytes_of<int32_t>(-17)},           // leading blanks skipped
      {1, 2, 0, "     ", bytes_of<int32_t>(0)},                  // blank value gives 0
      {1, 1, 0, "12ab", bytes_of<int32_t>(12)},                  // digits up to the first letter
      {5, 2, 0, "12345678901234567890", bytes_of<int64_t>(INT64_MAX)},   // INT64! over 20 digits
      {5, 2, 0, "-12345678901234567890", bytes_of<int64_t>(INT64_MAX)},  // saturates up, too
      {5, 2, 0, " -9223372036854775808", bytes_of<int64_t>(INT64_MIN)},  // the lowest fits
      {2, 1, 0, "letters", bytes_of<double>(0.0)},                       // FLOAT! over letters
      {2, 2, 0, "   3.25", bytes_of<double>(3.25)},                      // FLOAT! right-justified
      {0, 2, 3, " 1234", "234"},       // right-justified number keeps its last bytes
      {0, 2, 8, " 1234", "    1234"},  // and is padded in front
      {0, 2, 3, "12345", "123"},       // a number without leading blank: first bytes
      {0, 2, 8, "1234 ", "1234    "},  // and padding behind
      {0, 1, 3, "ABCDEF", "ABC"},      // text keeps its first bytes
      {0, 1, 5, "AB", "AB   "},        // text padded behind
      {0, 1, 0, std::string("AB\0D", 4),
       std::string("AB\0D", 4)},                              // no set length: bytes as stored
      {3, 12, 0, "          ", std::string(16, ' ')},         // TS! over blanks: 16 blanks
      {3, 12, 0, "12/31/1999 23:59:59", "0991231235959000"},  // TS! normalised
      {3, 12, 10, "2011/12/04 08:30:00.123", "1111204083"},   // TS! cut to its set length
      {3, 1, 0, "12/04/2011 0830", "DateFmtErr=589  "},       // TS! error text
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    curs* cur = test_cursor("CONV");
    columns* col = test_column(cur, "v", c.num_type);
    col->orig_type = c.orig_type;
    col->fmt_len = static_cast<int16_t>(c.value.size());
    col->set_length = c.set_length;
    int32_t size = get_row_size(cur);
    ASSERT_EQ(static_cast<size_t>(size), c.expected.size());
    std::string text = c.value + std::string(1, '\0');
    std::string out(static_cast<size_t>(size), '\x7f');
    EXPECT_EQ(make_row(cur, out.data(), text.data()), 0);
    EXPECT_EQ(out, c.expected);
  }
}

TEST_F(RowRecordTest, Strtoll) {
  const std::tuple<const char*, int, int64_t> cases[] = {
      // text, result, value
      {"123", 0, 123},                              // plain
      {"  -45x", 0, -45},                           // blanks before, letters after
      {"", 0, 0},                                   // empty
      {"9223372036854775808", ERANGE, INT64_MAX},   // one above the top
      {"-9223372036854775809", ERANGE, INT64_MIN},  // one below the bottom
  };
  for (auto [text, err, value] : cases) {
    int64_t v = 77;
    EXPECT_EQ(qvzstrtoll(text, &v), err) << text;
    EXPECT_EQ(v, value) << text;
  }
  int64_t v = 5;
  EXPECT_EQ(qvzstrtoll(nullptr, &v), -1);
}

}  // namespace
