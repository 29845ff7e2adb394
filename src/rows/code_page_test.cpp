// Code pages: the codeset table, the locale taken from the environment, and
// conversions into UTF-8 with substitution, cut characters and no locale.
#include "rows/code_page.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "row_fixture.h"
#include "scoped_env.h"
#include "test_state.h"

namespace {

class CodePageTest : public RowTest {
 protected:
  // Makes the process locale the one named, as if the collector started with it.
  void use_locale(const char* name) {
    env_.set("LC_ALL", name);
    systm.reset();
  }
  ScopedEnv env_;
};

// The usual spellings are those of the locales below.
TEST_F(CodePageTest, CodesetNamesMapToCodePages) {
  const std::pair<const char*, int32_t> cases[] = {
      {"utf8", 1208},        // case, '-' and '_' do not matter
      {"ISO-8859-15", 923},  // Latin-9
      {"klingon", 0},        // unknown
      {nullptr, 0},          // nothing asked
  };
  for (auto [codeset, code_page] : cases)
    EXPECT_EQ(codeset_code_page(codeset), code_page) << (codeset ? codeset : "null");
}

TEST_F(CodePageTest, LocaleFromTheEnvironment) {
  // locale, code page, getCodepageInfo's result and name
  const std::tuple<const char*, int32_t, int, const char*> cases[] = {
      {"C.UTF-8", 1208, 0, "UTF-8"},  // the usual case
      {"C", 367, 0, "ASCII"},         // the C locale
      {"no_SUCH.locale", 0, -1, ""},  // no such locale: no code page
  };
  for (auto [locale, code_page, info, name] : cases) {
    use_locale(locale);
    char got[50];
    EXPECT_EQ(systm.getCodepage(), code_page) << locale;
    EXPECT_EQ(getCodepageInfo(0, got, sizeof got), info) << locale;
    EXPECT_STREQ(got, name);
  }
}

// Rows of tests/data/rows/to_utf8.txt.
TEST_F(CodePageTest, ConvertsIntoUtf8) {
  for (const auto& row : data_rows("rows/to_utf8.txt", 6)) {
    use_locale(row[0].c_str());
    int outsize = std::stoi(row[2]);
    std::string out(static_cast<size_t>(outsize), '\0');
    int n = row[5] == "client"
                ? Convert_CodepageToUTF8_wopt(CP_UTF8, out.data(), outsize, row[1].data(),
                                              static_cast<int>(row[1].size()), std::stoi(row[3]))
                : Convert_toUTF8_wopt(out.data(), outsize, row[1].data(),
                                      static_cast<int>(row[1].size()), std::stoi(row[3]));
    EXPECT_EQ(out.substr(0, static_cast<size_t>(n)), row[4]) << row[0] << " " << row[1];
  }
}

}  // namespace
