// Date-time normalisation: every accepted shape, every error number, the
// reserved values, input bounds and the token trace.
#include "util/datetime.h"

#include <gtest/gtest.h>

#include <string>

#include "util/outfile.h"
#include "util/print.h"
#include "util/trace.h"
#include "util/util_test_fixture.h"

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

std::string error_text(int rc) { return "DateFmtErr=" + std::to_string(rc) + "  "; }

TEST(NormalizeDateTime, AcceptedShapes) {
  struct Row {
    const char* input;
    const char* output;
  } rows[] = {
      // worked examples of the separated forms
      {"12/31/1999 23:59:59", "0991231235959000"},      // month/day/year
      {"2011/12/04 08:30:00.123", "1111204083000000"},  // year/month/day, fraction ignored
      {"04-12-2011 08:30:00", "1111204083000000"},      // day-month-year
      {"12/04/2011 083000", "1111204083000000"},        // HHMMSS
      // worked examples of the digits-only forms
      {"20111204083000", "1111204083000000"},  // YYYY
      {"19991231", "0991231000000000"},        // 19YY
      {"991231", "0991231000000000"},          // two-digit year 70..99
      // more separated shapes
      {"\"12/31/1999 23:59:59\"", "0991231235959000"},  // quotes and blanks stripped
      {" \t'12/31/99 23:59:59'\r\n", "0991231235959000"},
      {"12 / 31 / 1999   23:59:59", "0991231235959000"},  // blanks around numbers
      {"12/31/1999T23:59:59", "0991231235959000"},        // a letter after the year is eaten
      {"12/31/05 23.59.59", "1051231235959000"},          // "." separators; 05 is 2005
      {"12/31/49 00:00:00", "1491231000000000"},          // 49 is 2049
      {"12/31/50 00:00:00", "0501231000000000"},          // 50 is 1950
      {"12/31/111 00:00:00", "1111231000000000"},         // already CYY
      {"12/31/2150 00:00:00", "2501231000000000"},        // the last CYY
      {"12/04/2011 8:5:7", "1111204080507000"},           // single digits
      {"12/04/2011 08:30:07x", "1111204083007000"},       // after two second digits: ignored
      {"12/04/2011 AM", "1111204000000000"},              // no digit: midnight
      {"2011/02/31 10:00:00", "1110231100000000"},        // day not checked against month
      {"12/04/2011 24:00:00", "1111204240000000"},        // hours up to 59 pass
      {"12/04/2011 59:59:59", "1111204595959000"},
      // more digits-only shapes
      {"1111204083000123", "1111204083000123"},     // CYY 1xx copied unchanged
      {"0991231235959", "0991231235959000"},        // CYY 09x, rest zero
      {"1991231", "1991231000000000"},              // CYY 199 (month at 3)
      {"201231", "1201231000000000"},               // two-digit year 20 (no month at 4)
      {"201204", "1120400000000000"},               // 20YY first: 2012, month 04
      {"2011120408300012345", "1111204083000120"},  // only 16 digits used
      {"7001", "0700100000000000"},                 // 1970, month 01
      // reserved values and empty input
      {"0000000000000000", "0000000000000000"},
      {"0000000000000003", "0000000000000003"},
      {"", "                "},
      {" ' \" \t\r\n", "                "},
  };
  for (const Row& row : rows) {
    Result r = normalize(row.input);
    EXPECT_EQ(r.rc, 0) << row.input;
    EXPECT_EQ(r.text, row.output) << row.input;
  }
}

TEST(NormalizeDateTime, EveryErrorNumber) {
  struct Row {
    const char* input;
    int rc;
  } rows[] = {
      {"2011/", 542},                         // year/month/day: second number missing
      {"2011/12-04 10:00:00", 543},           // ... not followed by "/"
      {"2011/12/x", 545},                     // ... third number missing
      {"12/x", 551},                          // month/day/year: second number missing
      {"12/31-1999 10:00:00", 552},           // ... not followed by "/"
      {"12/31 1999 10:00:00", 552},           // ... a blank is no separator
      {"12/31/ x", 554},                      // ... third number missing
      {"04-x", 562},                          // day-month-year: second number missing
      {"04-12/2011 10:00:00", 563},           // ... not followed by "-"
      {"04-12-", 565},                        // ... third number missing
      {"2011.12.04 10:00:00", 570},           // unknown date separator
      {"Dec 4 2011 10:00:00", 570},           // no leading number
      {"2011/12/04", 574},                    // separated date without time
      {"12/04/2011 08:", 578},                // minute missing
      {"12/04/2011 08:30", 579},              // minute not ended by ":" or "."
      {"12/04/2011 08:30 00", 579},           //
      {"12/04/2011 08:30:", 581},             // seconds missing
      {"12/04/2011 0830", 589},               // HHMMSS of the wrong length
      {"12/04/2011 0830000", 589},            //
      {"12/04/2011 083000 PM", 603},          // time ended by a blank
      {"2011/13/04 10:00:00", 607},           // month above 12
      {"00/04/2011 10:00:00", 607},           // month 0
      {"13/01/2011 10:00:00", 608},           // read as year 13, month 1, day 2011
      {"2011/02/00 10:00:00", 608},           // day 0
      {"12/04/2011 60:00:00", 609},           // hour 60
      {"12/04/2011 08:60:00", 610},           // minute 60
      {"12/04/2011 08:30:60", 611},           // second 60
      {"12/04/2011 99999999999:00:00", 609},  // long fields do not wrap around
      {"12/04/2011 0:21206000000:6", 610},    //
      {"12/04/2151 08:30:00", 619},           // CYY 251
      {"12/04/1900 08:30:00", 619},           // 1900 is not above 1900
      {"0000000000000009", 662},              // fifteen zeros and 9: digits-only
      {"0812", 662},                          // 0 not followed by 9
      {"0913", 662},                          // CYY 09x without a month at 3
      {"2112", 677},                          // 2 not followed by 0
      {"2013", 677},                          // 20 without a month at 4 or 2
      {"1999", 700},                          // a bare four-digit year
      {"17", 700},                            // 1 followed by 7
      {"9913", 709},                          // YY without a month at 2
      {"3011", 709},                          // first digit 3..6
      {"5", 709},                             //
  };
  for (const Row& row : rows) {
    Result r = normalize(row.input);
    EXPECT_EQ(r.rc, row.rc) << row.input;
    EXPECT_EQ(r.text, error_text(row.rc)) << row.input;
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

class NormalizeTrace : public UtilTest {};

TEST_F(NormalizeTrace, EveryTokenIsTracedAtLevel3) {
  ASSERT_NE(u_openPRINTfile(nullptr), nullptr);
  char out[kAgentTimestampSize];
  us_normalizeDateTime("2011/12/04 08:30:00", 0, out);  // level 3 off: silent
  tracing.my_trace_all[3] = 1;
  us_normalizeDateTime("2011/12/04 08:30:00", 0, out);
  close_PRINT();
  EXPECT_EQ(out_file("col.out"),
            "UDT8082T (083005) tcpin:2011 /\n"
            "UDT8081T (083005) tcpin:12 /.\n"
            "UDT8081T (083005) tcpin:04 0.\n"
            "UDT8081T (083005) tcpin:08 :.\n"
            "UDT8081T (083005) tcpin:30 :.\n"
            "UDT8081T (083005) tcpin:00 ..\n");
}

}  // namespace
