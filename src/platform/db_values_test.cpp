// Text forms of fetched values: number texts and their rounding, date texts,
// and UTF-16 conversions.
#include "platform/db_values.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "std_capture.h"

namespace {

TEST(DbValuesTest, NumberAndDoubleTexts) {
  for (const auto& row : data_rows("platform/number_texts.txt", 2)) {
    std::string out = "untouched";
    EXPECT_EQ(db_number_text(row[0].c_str(), &out), row[1] != "-") << row[0];
    EXPECT_EQ(out, row[1] != "-" ? row[1] : "untouched") << row[0];
    // A text taken as it stands is exactly its number text.
    EXPECT_EQ(db_normal_number(row[0]), row[0] == row[1]) << row[0];
  }
  for (const auto& row : data_rows("platform/double_texts.txt", 5)) {
    std::string out;
    ASSERT_TRUE(db_double_text(strtod(row[0].c_str(), nullptr), std::stoi(row[1]),
                               std::stoi(row[2]), std::stoul(row[3]), &out));
    EXPECT_EQ(out, row[4]) << row[0];
  }
  std::string out = "x";
  EXPECT_FALSE(db_double_text(INFINITY, 0, 0, 0, &out));
  EXPECT_FALSE(db_double_text(NAN, 5, 2, 0, &out));
  EXPECT_EQ(out, "x");
}

// The shortest form is built from to_chars digits; it must read exactly like
// the least of "%.15g", "%.16g", "%.17g" that reads back, across magnitudes,
// the fixed/exponent boundaries and random bit patterns. Subnormal values are
// the exception: printf shows noise digits there, the shortest form does not.
TEST(DbValuesTest, ShortestFormMatchesPrintf) {
  auto printf_form = [](double v) {
    char buf[40];
    for (int p = 15; p <= 17; ++p) {
      snprintf(buf, sizeof buf, "%.*g", p, v);
      if (strtod(buf, nullptr) == v) break;
    }
    return std::string(buf);
  };
  // zeros, a sum that does not read back short, the extremes, and powers of ten
  // (either sign) on both sides of the fixed/exponent boundaries
  std::vector<double> values = {0, -0.0, 0.1 + 0.2, 123456789012345678.0, DBL_MIN, DBL_MAX};
  for (int e = -6; e <= 17; ++e) values.push_back(std::pow(-10.0, e));
  uint64_t bits = 0x9E3779B97F4A7C15u;
  for (int i = 0; i < 20000; ++i) {
    bits ^= bits << 13, bits ^= bits >> 7, bits ^= bits << 17;
    double v;
    memcpy(&v, &bits, sizeof v);
    if (std::isnormal(v)) values.push_back(v);
    values.push_back(static_cast<double>(bits % 100000000) / 1000.0);  // typical statistics
  }
  for (double v : values) {
    std::string out;
    ASSERT_TRUE(db_double_text(v, 0, 0, 0, &out));
    std::string want = printf_form(v);
    if (want == "-0") want = "0";
    ASSERT_EQ(out, want);
  }
}

TEST(DbValuesTest, IntegerTexts) {
  EXPECT_EQ(db_integer_text(-9223372036854775807 - 1, 0), "-9223372036854775808");
  EXPECT_EQ(db_integer_text(149, -2), "100");
  EXPECT_EQ(db_integer_text(-150, -2), "-200");
  EXPECT_EQ(db_integer_text(9223372036854775807, -1), "9223372036854775810");  // beyond int64
  EXPECT_EQ(db_integer_text(5, -19), "0");
}

TEST(DbValuesTest, Days) {
  for (const auto& row : data_rows("platform/days.txt", 2)) {
    int y = 0, m = 0, d = 0;
    bool ok = db_parse_iso_day(row[0].c_str(), &y, &m, &d);
    EXPECT_EQ(ok, row[1] != "-") << row[0];
    EXPECT_EQ(ok ? db_date_text(y, m, d) : "-", row[1]);
  }
}

TEST(DbValuesTest, Utf16) {
  EXPECT_EQ(db_utf16be_text("a\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E"),
            std::string("\0a\0\xE9\x20\xAC\xD8\x34\xDD\x1E", 10));
  // A stray continuation byte, a cut sequence and an encoded surrogate each give U+FFFD.
  EXPECT_EQ(db_utf16be_text("\x80"
                            "a\xE2\x82"),
            std::string("\xFF\xFD\0a\xFF\xFD\xFF\xFD", 8));
  EXPECT_EQ(db_utf16be_text("\xED\xA0\x80"), std::string("\xFF\xFD\xFF\xFD\xFF\xFD", 6));
  const uint16_t units[] = {'a', 0xE9, 0xD834, 0xDD1E, 0xDC00, 'b'};
  EXPECT_EQ(db_utf8_text(units, 6),
            "a\xC3\xA9\xF0\x9D\x84\x9E\xEF\xBF\xBD"
            "b");
}

// Units placed straight into an item's buffer leave it as placing their
// converted text would; anything else is refused untouched.
TEST(DbValuesTest, AsciiUnitsPlacedAsTheirText) {
  struct row {
    std::u16string units;
    bool placed;
    const char* why;
  };
  const row rows[] = {
      {u"host12", true, "ASCII shorter than the buffer"},
      {u"", true, "empty"},
      {u"12345678", true, "exactly the buffer"},
      {u"123456789", false, "longer than the buffer: cut by the general path"},
      {u"h\u00e9", false, "not ASCII"},
      {u"\u0100", false, "a unit whose low byte is ASCII"},
  };
  for (const row& r : rows) {
    char fast[8], slow[8];
    int16_t fast_ind = 5, slow_ind = 5;
    db_item a, b;
    a.buf = fast, a.buf_len = 8, a.ind = &fast_ind;
    b.buf = slow, b.buf_len = 8, b.ind = &slow_ind;
    memset(fast, 'x', sizeof fast);
    ASSERT_EQ(db_put_ascii_units(a, r.units.data(), r.units.size()), r.placed) << r.why;
    if (!r.placed) {
      EXPECT_EQ(std::string(fast, 8), "xxxxxxxx") << r.why;
      continue;
    }
    const auto* u = reinterpret_cast<const uint16_t*>(r.units.data());
    db_put_value(b, db_utf8_text(u, r.units.size()), false);
    EXPECT_EQ(std::string(fast, 8), std::string(slow, 8)) << r.why;
    EXPECT_EQ(std::tie(a.returned_octets, a.returned_chars, fast_ind),
              std::tie(b.returned_octets, b.returned_chars, slow_ind))
        << r.why;
  }
}

}  // namespace
