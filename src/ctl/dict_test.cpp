// DICT.CTL: entries with types, lengths and initial values resolved from
// dictionary parameters and the environment, the listing, and the message
// lines of refused files.
#include "ctl/dict.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "ctl_fixture.h"
#include "util/trace.h"

namespace {

class DictFile : public ctl_test {
 protected:
  // Parses tests/data/ctl/dict/<corpus> with the parameter rdbms=ORCL.
  lines parse(const std::string& corpus, int* rc) {
    add_dict_parm("rdbms", "ORCL");
    use("dict", "dict/" + corpus);
    return run(parse_dict, rc);
  }
  // The entries as "name num_type length [initial]", "-" for no initial value.
  lines entries() {
    lines out;
    for (const d_ptr* e = dictionary.dict_anchor; e; e = e->next)
      out.push_back(e->name +
                    (" " + std::to_string(e->num_type) + " " + std::to_string(e->length)) +
                    (e->has_initial ? " [" + e->initial + "]" : " -"));
    return out;
  }
};

TEST_F(DictFile, ResolvesTypesLengthsAndInitialValues) {
  setenv("COLLTEST_HOST", "alpha", 1);
  int rc = -1;
  EXPECT_EQ(parse("good.ctl", &rc), lines{"PDC2095I No Initial value, using default"});
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(entries(), (lines{
                           "CPU 2 21 [" + std::string(20, ' ') + "0]",   // right-aligned
                           "HOST 0 20 [alpha]",                          // environment reference
                           "SID 0 8 [ORCL]",                             // dictionary parameter
                           "Q 0 5 [it is]",                              // quotes removed
                           "DEF 2 21 [" + std::string(19, ' ') + "x1]",  // the default text
                           "N 2 21 -",                                   // no initial value
                       }));
  restart();
  unsetenv("COLLTEST_HOST");
  EXPECT_EQ(parse("good.ctl", &rc),
            (lines{"PDC2150W Environmental variable COLLTEST_HOST not found",
                   "PDC2095I No Initial value, using default",
                   "PDC2095I No Initial value, using default"}));
  EXPECT_EQ(entries()[1], "HOST 0 20 -");
}

TEST_F(DictFile, ParametersCompareWithoutCase) {
  add_dict_parm("rdbms", "ORCL");
  add_dict_parm("RDBMS", "second");
  EXPECT_STREQ(search_dict_parm("Rdbms"), "ORCL");  // the first of names equal but for case
  EXPECT_EQ(search_dict_parm("rdbm"), nullptr);
}

TEST_F(DictFile, RefusesBadFilesWithTheirMessages) {
  check_file_cases("dict", "dict", parse_dict, 1, [] { add_dict_parm("rdbms", "ORCL"); });
  int rc = -1;
  // A type statement without a value ends the parse quietly, dropping the open entry.
  EXPECT_EQ(parse("quiet_stop.ctl", &rc), lines{});
  EXPECT_EQ(dictionary.dict_anchor, nullptr);
}

}  // namespace
