// DICT.CTL: entries with types, lengths and initial values resolved from
// dictionary parameters and the environment, the listing, and the message
// lines of refused files.
#include "ctl/dict.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "ctl_fixture.h"
#include "driver/settings.h"
#include "driver/steps.h"
#include "test_state.h"
#include "util/trace.h"

namespace {

std::vector<std::string> parse_lines(const std::vector<std::string>& lines) {
  return without(lines, {"PDC2040", "PDC2045", "PDC2050", "PTC4725", "PTC4740", "PTC4735"});
}

struct entry {
  std::string name;
  int num_type;
  int length;
  bool has_initial;
  std::string initial;
  bool operator==(const entry&) const = default;
};

std::vector<entry> entries() {
  std::vector<entry> out;
  for (const d_ptr* e = dictionary.dict_anchor; e; e = e->next) {
    out.push_back({e->name, e->num_type, e->length, e->has_initial, e->initial});
  }
  return out;
}

class DictFile : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_process_state();
    files_ = std::make_unique<ctl_files>();
    add_dict_parm("rdbms", "ORCL");
    setenv("COLLTEST_HOST", "alpha", 1);
  }
  void TearDown() override {
    unsetenv("COLLTEST_HOST");
    files_.reset();
    reset_process_state();
  }
  std::vector<std::string> parse(const std::string& corpus, int* rc) {
    files_->use("dict", "dict/" + corpus);
    return parse_lines(captured([&] { *rc = parse_dict(); }));
  }
  std::unique_ptr<ctl_files> files_;
};

const std::string numeric_zero = std::string(20, ' ') + "0";

TEST_F(DictFile, ResolvesTypesLengthsAndInitialValues) {
  int rc = -1;
  EXPECT_EQ(parse("good.ctl", &rc),
            (std::vector<std::string>{"PDC2095I No Initial value, using default"}));
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(entries(), (std::vector<entry>{
                           {"CPU", 2, 21, true, numeric_zero},  // right-aligned number
                           {"HOST", 0, 20, true, "alpha"},      // environment reference
                           {"SID", 0, 8, true, "ORCL"},         // dictionary parameter
                           {"Q", 0, 5, true, "it is"},          // quotes removed
                           {"DEF", 2, 21, true, std::string(19, ' ') + "x1"},  // the default text
                           {"N", 2, 21, false, ""},                            // no initial value
                       }));
}

TEST_F(DictFile, ReportsAMissingEnvironmentVariable) {
  unsetenv("COLLTEST_HOST");
  int rc = -1;
  EXPECT_EQ(parse("good.ctl", &rc),
            (std::vector<std::string>{"PDC2150W Environmental variable COLLTEST_HOST not found",
                                      "PDC2095I No Initial value, using default",
                                      "PDC2095I No Initial value, using default"}));
  EXPECT_EQ(rc, 0);
  EXPECT_FALSE(entries()[1].has_initial);
}

TEST_F(DictFile, ListsParametersAndEntriesUnderTraceAll) {
  tracing.trace_all = 1;
  int rc = -1;
  auto lines = parse("no_end.ctl", &rc);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(lines,
            (std::vector<std::string>{
                "PDC2164I Parm Name= rdbms, Value= ORCL",
                "PDC2165I Name = A, Type = 2, len = 21, Initial = " + std::string(19, ' ') + "42.",
            }));
}

TEST_F(DictFile, SearchesParametersWithoutRegardToCase) {
  add_dict_parm("RDBMS", "second");
  EXPECT_STREQ(search_dict_parm("Rdbms"), "ORCL");  // the first of equal names
  EXPECT_EQ(search_dict_parm("rdbm"), nullptr);
}

TEST_F(DictFile, MissingFileFails) {
  int rc = -1;
  auto lines = captured([&] { rc = parse_dict(); });
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(lines, (std::vector<std::string>{"UOI0055W Could not find a zdbdict.ctl file"}));
}

struct bad_file {
  const char* file;
  int rc;
  std::vector<std::string> lines;
};

const char* errors_line = "PDC2180E Parsing ended with errors";
const char* unterminated = "Syntax error - Missing an ending \" or ' within max word length";

// clang-format off
const bad_file bad_files[] = {
    {"first_word_length.ctl", 1, {"PDC2070E First word must be 'name'", errors_line}},  // not four characters
    {"first_word_other.ctl", 1, {"PDC2075E First word must be 'name'", errors_line}},   // four, not name
    {"first_word_case.ctl", 1, {"PDC2075E First word must be 'name'", errors_line}},    // mixed case
    {"tokeniser_first.ctl", 1, {std::string("PDC2060E Parsing failed : ") + unterminated + ", Text = 'name A    ", errors_line}},
    {"tokeniser_later.ctl", 1, {"PDC2110E Parsing failed : Syntax error - Position = 6 Missing an ending \" or ' within max word length, Text = 'CHAR    ", errors_line}},
    {"unknown_keyword.ctl", 1, {"PDC2065E Unknown keyword (length)", errors_line}},
    {"no_type.ctl", 1, {"PDC2085E No data type", errors_line}},
    {"no_length.ctl", 1, {"PDC2090E No Length specified", errors_line}},                   // CHAR(0)
    {"long_name.ctl", 1, {"PDC2100E Dictionary element name is exceeds 29 characters", errors_line}},  // 32 characters
    {"name_reused.ctl", 1, {"PDC2095I No Initial value, using default", "PDC2105E Name previously used",
                            "PDC2095I No Initial value, using default", errors_line}},  // reported, parsing goes on
    {"type_duplicate.ctl", 1, {"PDC2130E Duplicate data type", errors_line}},
    {"char_too_long.ctl", 1, {"PDC2135E ERR Length of 4096 exceeds maximum(2048)", errors_line}},
    {"char_no_length.ctl", 1, {"PDC2140E Data type CHAR needs a length, as in CHAR(20)", errors_line}},
    {"type_invalid.ctl", 1, {"PDC2145E Invalid data type", errors_line}},
    {"quiet_stop.ctl", 0, {}},  // a type statement without a value ends the parse quietly
};
// clang-format on

TEST_F(DictFile, RefusesBadFilesWithTheirMessages) {
  for (const bad_file& b : bad_files) {
    SCOPED_TRACE(b.file);
    files_.reset();
    reset_process_state();
    files_ = std::make_unique<ctl_files>();
    int rc = -1;
    EXPECT_EQ(parse(b.file, &rc), b.lines);
    EXPECT_EQ(rc, b.rc);
  }
  EXPECT_EQ(dictionary.dict_anchor, nullptr);  // the quiet stop dropped the open entry
}

}  // namespace
