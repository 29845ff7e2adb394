// Date-time normalisation: every accepted shape, every error number, the
// reserved values, input bounds and the token trace.
#include "util/datetime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
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

// Every accepted shape and every error number; an error gives the text
// "DateFmtErr=<number>  " and returns the number.
TEST(NormalizeDateTime, ShapesAndErrorNumbers) {
  const std::pair<const char*, const char*> rows[] = {
      // input, the 16 bytes written
      {"12/31/1999 23:59:59", "0991231235959000"},         // month/day/year
      {"2011/12/04 08:30:00.123", "1111204083000000"},     // year/month/day, fraction ignored
      {"04-12-2011 08:30:00", "1111204083000000"},         // day-month-year
      {"12/04/2011 083000", "1111204083000000"},           // HHMMSS
      {"20111204083000", "1111204083000000"},              // YYYY
      {"19991231", "0991231000000000"},                    // 19YY
      {"991231", "0991231000000000"},                      // two-digit year 70..99
      {" \t'12/31/99 23:59:59'\r\n", "0991231235959000"},  // quotes and blanks stripped
      {"12 / 31 / 1999   23:59:59", "0991231235959000"},   // blanks around numbers
      {"12/31/1999T23:59:59", "0991231235959000"},         // a letter after the year is eaten
      {"12/31/05 23.59.59", "1051231235959000"},           // "." separators; 05 is 2005
      {"12/31/49 00:00:00", "1491231000000000"},           // 49 is 2049
      {"12/31/50 00:00:00", "0501231000000000"},           // 50 is 1950
      {"12/31/2150 00:00:00", "2501231000000000"},         // the last CYY
      {"12/04/2011 8:5:7", "1111204080507000"},            // single digits
      {"12/04/2011 08:30:07x", "1111204083007000"},        // after two second digits: ignored
      {"12/04/2011 AM", "1111204000000000"},               // no digit: midnight
      {"2011/02/31 10:00:00", "1110231100000000"},         // day not checked against month
      {"12/04/2011 59:59:59", "1111204595959000"},         // hours up to 59 pass
      {"1111204083000123", "1111204083000123"},            // CYY 1xx copied unchanged
      {"1991231", "1991231000000000"},                     // CYY 199 (month at 3)
      {"201231", "1201231000000000"},                      // two-digit year 20 (no month at 4)
      {"201204", "1120400000000000"},                      // 20YY first: 2012, month 04
      {"2011120408300012345", "1111204083000120"},         // only 16 digits used
      {"0000000000000000", "0000000000000000"},
      {"0000000000000003", "0000000000000003"},
      {" ' \" \t\r\n", "                "},  // nothing but quotes and blanks
      // errors
      {"2011/", "DateFmtErr=542  "},                 // year/month/day: second number missing
      {"2011/12-04 10:00:00", "DateFmtErr=543  "},   // ... not followed by "/"
      {"2011/12/x", "DateFmtErr=545  "},             // ... third number missing
      {"12/x", "DateFmtErr=551  "},                  // month/day/year: second number missing
      {"12/31-1999 10:00:00", "DateFmtErr=552  "},   // ... not followed by "/"
      {"12/31/ x", "DateFmtErr=554  "},              // ... third number missing
      {"04-x", "DateFmtErr=562  "},                  // day-month-year: second number missing
      {"04-12/2011 10:00:00", "DateFmtErr=563  "},   // ... not followed by "-"
      {"04-12-", "DateFmtErr=565  "},                // ... third number missing
      {"2011.12.04 10:00:00", "DateFmtErr=570  "},   // unknown date separator
      {"Dec 4 2011 10:00:00", "DateFmtErr=570  "},   // no leading number
      {"2011/12/04", "DateFmtErr=574  "},            // separated date without time
      {"12/04/2011 08:", "DateFmtErr=578  "},        // minute missing
      {"12/04/2011 08:30", "DateFmtErr=579  "},      // minute not ended by ":" or "."
      {"12/04/2011 08:30:", "DateFmtErr=581  "},     // seconds missing
      {"12/04/2011 0830", "DateFmtErr=589  "},       // HHMMSS of the wrong length
      {"12/04/2011 083000 PM", "DateFmtErr=603  "},  // time ended by a blank
      {"2011/13/04 10:00:00", "DateFmtErr=607  "},   // month above 12
      {"13/01/2011 10:00:00", "DateFmtErr=608  "},   // read as year 13, month 1, day 2011
      {"12/04/2011 60:00:00", "DateFmtErr=609  "},   // hour 60
      {"12/04/2011 08:60:00", "DateFmtErr=610  "},   // minute 60
      {"12/04/2011 08:30:60", "DateFmtErr=611  "},   // second 60
      {"12/04/2011 99999999999:00:00", "DateFmtErr=609  "},  // long fields do not wrap around
      {"12/04/2151 08:30:00", "DateFmtErr=619  "},           // CYY 251
      {"12/04/1900 08:30:00", "DateFmtErr=619  "},           // 1900 is not above 1900
      {"0000000000000009", "DateFmtErr=662  "},              // fifteen zeros and 9: digits-only
      {"0812", "DateFmtErr=662  "},                          // 0 not followed by 9
      {"2112", "DateFmtErr=677  "},                          // 2 not followed by 0
      {"1999", "DateFmtErr=700  "},                          // a bare four-digit year
      {"9913", "DateFmtErr=709  "},                          // YY without a month at 2
  };
  for (auto [input, output] : rows) {
    Result r = normalize(input);
    EXPECT_EQ(r.text, output) << input;
    EXPECT_EQ(r.rc, strncmp(output, "DateFmtErr=", 11) == 0 ? atoi(output + 11) : 0) << input;
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
