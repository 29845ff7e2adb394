// Date-time normalisation: every accepted shape, every error number, the
// reserved values and input bounds.
#include "util/datetime.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "util_fixture.h"

namespace {

struct Result {
  int rc;
  std::string text;
};

Result normalize(const std::string& input, int length = 0) {
  char out[kAgentTimestampSize + 4];
  memset(out, 'X', sizeof out);
  int rc = us_normalizeDateTime(input.c_str(), length, out);
  EXPECT_EQ(std::string(out + kAgentTimestampSize, 4), "XXXX") << "wrote past 16: " << input;
  return {rc, std::string(out, kAgentTimestampSize)};
}

// Every accepted shape and every error number, from tests/data/util/datetime.txt.
TEST(NormalizeDateTime, ShapesAndErrorNumbers) {
  auto rows = data_rows("util/datetime.txt", 2);
  EXPECT_GT(rows.size(), 50u);
  for (const auto& row : rows) {
    Result r = normalize(row[0]);
    EXPECT_EQ(r.text, row[1]) << row[0];
    EXPECT_EQ(r.rc, row[1].rfind("DateFmtErr=", 0) == 0 ? std::stoi(row[1].substr(11)) : 0);
  }
}

TEST(NormalizeDateTime, LengthBoundsTheInput) {
  // only the given length is read
  EXPECT_EQ(normalize("12/31/1999 23:59:59garbage", 19).text, "0991231235959000");
  EXPECT_EQ(normalize("2011120408", 4).text, "1201100000000000");  // two-digit year 20
  // at most 99 characters: the time beyond them is never seen
  std::string far = "12/31/1999" + std::string(95, ' ') + "23:59:59";
  EXPECT_EQ(normalize(far).rc, 574);
  EXPECT_EQ(normalize(far, static_cast<int>(far.size())).rc, 574);
  // the reserved value needs exactly 16 characters
  EXPECT_EQ(normalize("00000000000000020").rc, 662);
  // an unterminated input is read only as far as its length says
  char raw[6] = {'9', '9', '1', '2', '3', '1'};
  char out[kAgentTimestampSize];
  EXPECT_EQ(us_normalizeDateTime(raw, 6, out), 0);
  EXPECT_EQ(std::string(out, kAgentTimestampSize), "0991231000000000");
}

}  // namespace
