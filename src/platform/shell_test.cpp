// Shell command output as start-up defaults read it: trailing white space
// stripped, lines joined with blanks, the line, size and empty-line limits.
#include "platform/shell.h"

#include <gtest/gtest.h>

#include <string>

namespace {
TEST(Shell, OutputIsJoinedAndBounded) {
  std::string five_hundred_ys = "y";
  for (int i = 1; i < 500; ++i) five_hundred_ys += " y";
  struct row {
    const char* cmd;
    std::string output;
  } rows[] = {
      {"printf 'a  \\nb\\t\\r\\n'", "a b"},             // trailing blanks, tabs, CR
      {"printf '  lead\\n'", "  lead"},                 // leading blanks stay
      {"printf 'a\\n\\nb\\n\\nc\\n\\nd\\n'", "a b c"},  // the third empty line stops
      {"printf 'last'", "last"},                        // no final newline
      {"yes | head -n 600", five_hundred_ys},           // at most 500 lines
      {"head -c 5000 /dev/zero | tr '\\0' x", std::string(4094, 'x')},  // at most 4,094 characters
      {"exit 3", ""},                                                   // no output
      {"printf 'x \\n\\n\\n'", "x"},                                    // no trailing blank
  };
  for (const row& r : rows) EXPECT_EQ(u_shell(r.cmd), r.output) << r.cmd;
}

}  // namespace
