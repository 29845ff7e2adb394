// Text forms of fetched values: number texts and their rounding, date texts,
// and UTF-16 conversions.
#include "platform/db_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(DbValuesTest, NumberTexts) {
  struct row {
    const char* in;
    const char* out;  // null: not a number
  };
  const row cases[] = {
      {"42", "42"},           // integer
      {" +007.500 ", "7.5"},  // blanks, plus sign, leading and trailing zeros
      {"-0.000", "0"},        // negative zero
      {".5", "0.5"},          // no units digit
      {"-5.", "-5"},          // point without fraction
      {"1.5e3", "1500"},      // exponent
      {"2E-2", "0.02"},       // upper-case exponent
      {"", nullptr},          // empty
      {"-", nullptr},         // sign alone
      {".", nullptr},         // point alone
      {"1e", nullptr},        // exponent without digits
      {"12abc", nullptr},     // trailing letters
      {"1 2", nullptr},       // blank inside
      {"0x10", nullptr},      // hexadecimal
      {"1e999", nullptr},     // overflows to infinity
      {"NaN", nullptr},       // not a number
  };
  for (const row& c : cases) {
    std::string out = "untouched";
    bool ok = db_number_text(c.in, &out);
    EXPECT_EQ(ok, c.out != nullptr) << c.in;
    EXPECT_EQ(out, c.out ? c.out : "untouched") << c.in;
  }
}

TEST(DbValuesTest, DoubleTexts) {
  struct row {
    double v;
    int precision, scale;
    size_t room;
    const char* out;
  };
  const row cases[] = {
      {0.1, 0, 0, 0, "0.1"},                     // shortest form that reads back
      {1.0 / 3, 0, 0, 0, "0.3333333333333333"},  // needs 16 digits
      {2.675, 6, 2, 0, "2.68"},                  // the decimal written is rounded, not the binary
      {2.5, 5, 0, 0, "3"},                       // half away from zero
      {-0.005, 6, 2, 0, "-0.01"},                // half away from zero below zero
      {9.996, 6, 2, 0, "10"},                    // carry into a new digit
      {1.5e-30, 6, 2, 0, "0"},                   // exponent form, far below the scale
      {1.25e20, 25, 1, 0, "125000000000000000000"},  // exponent form, large
      {-1234.5, 5, -2, 0, "-1200"},                  // negative scale
      {150, 5, -2, 0, "200"},                        // half away from zero
      {-0.004, 6, 2, 0, "0"},                        // no negative zero
      {123456.789, 0, 0, 5, "1e+05"},                // fewer digits to fit 5 bytes
      {123456.789, 0, 0, 7, "123457"},               // as many digits as fit
      {1e21, 0, 0, 0, "1e+21"},                      // exponent form kept
  };
  for (const row& c : cases) {
    std::string out;
    ASSERT_TRUE(db_double_text(c.v, c.precision, c.scale, c.room, &out)) << c.out;
    EXPECT_EQ(out, c.out);
  }
  std::string out = "x";
  ASSERT_TRUE(db_double_text(5e-324, 0, 0, 0, &out));
  EXPECT_EQ(out, "5e-324");  // the least subnormal, in its shortest form
  out = "x";
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
  std::vector<double> values = {0,
                                -0.0,
                                1,
                                100000,
                                1e14,
                                1e15,
                                1e16,
                                123456789012345678.0,
                                0.0001,
                                1e-5,
                                -1e-5,
                                2.2250738585072014e-308,
                                1.7976931348623157e308,
                                0.1 + 0.2};
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
  struct row {
    const char* in;
    const char* out;  // null: refused
  };
  const row cases[] = {
      {"2024-03-05", "05-MAR-24"},                // day alone
      {"1999-12-31 23:59:59", "31-DEC-99"},       // with a time
      {"2000-02-29T00:00:00.000Z", "29-FEB-00"},  // ISO time, leap day of a century year
      {"1900-02-29", nullptr},                    // no leap day in 1900
      {"2023-13-01", nullptr},                    // month 13
      {"2023-04-31", nullptr},                    // day 31 of April
      {"2023-1-01", nullptr},                     // short month
      {"2023-01-01x", nullptr},                   // trailing letter
      {"0000-01-01", nullptr},                    // year 0
  };
  for (const row& c : cases) {
    int y = 0, m = 0, d = 0;
    bool ok = db_parse_iso_day(c.in, &y, &m, &d);
    EXPECT_EQ(ok, c.out != nullptr) << c.in;
    if (ok && c.out) {
      EXPECT_EQ(db_date_text(y, m, d), c.out);
    }
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

}  // namespace
