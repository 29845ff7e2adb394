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

namespace {

TEST(DbValuesTest, NumberTexts) {
  const std::pair<const char*, const char*> cases[] = {
      // text, its number text (null: not a number)
      {"42", "42"},           // integer
      {" +007.500 ", "7.5"},  // blanks, plus sign, leading and trailing zeros
      {"-0.000", "0"},        // negative zero
      {".5", "0.5"},          // no units digit
      {"-5.", "-5"},          // point without fraction
      {"1.5e3", "1500"},      // exponent
      {"", nullptr},          // empty
      {".", nullptr},         // point alone
      {"1e", nullptr},        // exponent without digits
      {"1 2", nullptr},       // blank inside
      {"0x10", nullptr},      // hexadecimal
      {"1e999", nullptr},     // overflows to infinity
  };
  for (auto [in, want] : cases) {
    std::string out = "untouched";
    EXPECT_EQ(db_number_text(in, &out), want != nullptr) << in;
    EXPECT_EQ(out, want ? want : "untouched") << in;
  }
}

TEST(DbValuesTest, DoubleTexts) {
  const std::tuple<double, int, int, size_t, const char*> cases[] = {
      // value, precision, scale, room (0: any), text
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
      {5e-324, 0, 0, 0, "5e-324"},                   // the least subnormal, shortest
  };
  for (auto [v, precision, scale, room, want] : cases) {
    std::string out;
    ASSERT_TRUE(db_double_text(v, precision, scale, room, &out)) << want;
    EXPECT_EQ(out, want);
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
  const std::pair<const char*, const char*> cases[] = {
      // ISO text, its day text (null: refused)
      {"2024-03-05", "05-MAR-24"},                // day alone
      {"1999-12-31 23:59:59", "31-DEC-99"},       // with a time
      {"2000-02-29T00:00:00.000Z", "29-FEB-00"},  // ISO time, leap day of a century year
      {"1900-02-29", nullptr},                    // no leap day in 1900
      {"2023-04-31", nullptr},                    // day 31 of April
      {"2023-01-01x", nullptr},                   // trailing letter
  };
  for (auto [in, want] : cases) {
    int y = 0, m = 0, d = 0;
    bool ok = db_parse_iso_day(in, &y, &m, &d);
    EXPECT_EQ(ok, want != nullptr) << in;
    EXPECT_EQ(ok ? db_date_text(y, m, d) : std::string(), want ? want : "") << in;
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
