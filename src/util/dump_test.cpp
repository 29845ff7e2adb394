// Hexadecimal text and dump lines.
#include "util/dump.h"

#include <gtest/gtest.h>

#include <string>

#include "util/outfile.h"
#include "util/print.h"
#include "util_fixture.h"

namespace {

TEST(HexFormat, TwoDigitsPerByteGroupedByFour) {
  for (const auto& row : data_rows("util/hex_texts.txt", 2)) {
    char buffer[64];
    EXPECT_EQ(u_hex_format(buffer, row[0].data(), static_cast<int>(row[0].size())), row[1]);
  }
  char text[32];
  EXPECT_STREQ(u_printable(text, "a Z9\t\n\\/,()\"'=-$#.%\x01\xe9", 21), "a Z9  \\/,()\"'=-$#....");
}

class DumpTest : public UtilTest {};

TEST_F(DumpTest, SixteenBytesALine) {
  ASSERT_NE(u_openPRINTfile(nullptr), nullptr);
  const char data[] = "Hello, World!\t\x01\xff(a)=$#\\/-'\"";
  u_print_dumpx(nullptr, data, static_cast<int>(sizeof data - 1));
  u_print_dumpx("abc0001", "xy", 2);
  u_print_dumpx("abc0002", nullptr, 5);  // nothing to dump
  u_print_dumpx("abc0003", "xy", 0);
  close_PRINT();
  auto pad = [](const std::string& hex) { return hex + std::string(35 - hex.size(), ' '); };
  EXPECT_EQ(out_file("col.out"), "UPX0100T 000: " + pad("48656C6C 6F2C2057 6F726C64 210901FF") +
                                     " *Hello, World. ..*\n"
                                     "UPX0100T 010: " +
                                     pad("2861293D 24235C2F 2D2722") +
                                     " *(a)=$#\\/-'\"*\n"
                                     "ABC0001T 000: " +
                                     pad("7879") + " *xy*\n");
}

}  // namespace
