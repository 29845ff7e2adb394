// Code pages: the codeset table, the locale taken from the environment, and
// conversions into UTF-8 with substitution, cut characters and no locale.
#include "rows/code_page.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "rows/row_test_support.h"
#include "test_state.h"
#include "util/trace.h"

namespace {

class CodePageTest : public RowTest {
 protected:
  void SetUp() override {
    RowTest::SetUp();
    const char* all = getenv("LC_ALL");
    saved_ = all ? all : "";
    had_ = all != nullptr;
  }
  void TearDown() override {
    if (had_)
      setenv("LC_ALL", saved_.c_str(), 1);
    else
      unsetenv("LC_ALL");
    RowTest::TearDown();
  }
  // Makes the process locale the one named, as if the collector started with it.
  void use_locale(const char* name) {
    setenv("LC_ALL", name, 1);
    systm.reset();
  }
  std::string to_utf8(const std::string& src, int outsize, int options = NLX_OPT_SUBSTITUTE) {
    std::string out(static_cast<size_t>(outsize), '\0');
    int n =
        Convert_toUTF8_wopt(out.data(), outsize, src.data(), static_cast<int>(src.size()), options);
    return out.substr(0, static_cast<size_t>(n));
  }

 private:
  std::string saved_;
  bool had_ = false;
};

TEST_F(CodePageTest, CodesetNamesMapToCodePages) {
  const struct {
    const char* codeset;
    int32_t code_page;
  } cases[] = {
      {"UTF-8", 1208},          // the usual spelling
      {"utf8", 1208},           // case, '-' and '_' do not matter
      {"ANSI_X3.4-1968", 367},  // the C locale's codeset
      {"ISO-8859-1", 819},      // Latin-1
      {"ISO-8859-15", 923},     // Latin-9
      {"EUC-JP", 954},          // Japanese
      {"klingon", 0},           // unknown
      {nullptr, 0},             // nothing asked
  };
  for (const auto& c : cases)
    EXPECT_EQ(codeset_code_page(c.codeset), c.code_page) << (c.codeset ? c.codeset : "null");
}

TEST_F(CodePageTest, LocaleFromTheEnvironment) {
  const struct {
    const char* locale;
    int32_t code_page;
    int info;
    const char* name;
  } cases[] = {
      {"C.UTF-8", 1208, 0, "UTF-8"},  // the usual case
      {"C", 367, 0, "ASCII"},         // the C locale
      {"no_SUCH.locale", 0, -1, ""},  // no such locale: no code page
  };
  for (const auto& c : cases) {
    use_locale(c.locale);
    char name[50];
    EXPECT_EQ(systm.getLocale() != locale_t{}, c.code_page != 0) << c.locale;
    EXPECT_EQ(systm.getCodepage(), c.code_page) << c.locale;
    EXPECT_EQ(getCodepageInfo(0, name, sizeof name), c.info) << c.locale;
    EXPECT_STREQ(name, c.name);
  }
}

TEST_F(CodePageTest, ConvertsFromTheLocaleCodePage) {
  const struct {
    const char* locale;
    std::string src;
    int outsize;
    int options;
    std::string expected;
  } cases[] = {
      {"C.UTF-8", "disk \xc3\xa9t\xc3\xa9", 20, 256, "disk \xc3\xa9t\xc3\xa9"},  // UTF-8 as is
      {"C.UTF-8",
       "a\xff"
       "b",
       20, 256, "a?b"},  // invalid byte substituted
      {"C.UTF-8",
       "a\xff"
       "b",
       20, 0, ""},                                          // or the conversion fails
      {"C.UTF-8", "ab\xc3", 20, 256, "ab"},                 // character cut at the end dropped
      {"C.UTF-8", "\xc3\xa9\xc3\xa9", 3, 256, "\xc3\xa9"},  // stops at the last whole character
      {"C.UTF-8", std::string("x\0\0", 3), 5, 256, std::string("x\0\0", 3)},  // NULs kept
      {"C", "plain", 20, 256, "plain"},        // ASCII locale, ASCII text
      {"C", "caf\xe9", 20, 256, "caf?"},       // byte outside ASCII
      {"no_SUCH.locale", "abc", 20, 256, ""},  // no locale: nothing converted
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.src);
    use_locale(c.locale);
    EXPECT_EQ(to_utf8(c.src, c.outsize, c.options), c.expected);
  }
}

TEST_F(CodePageTest, MissingLocaleAndTracesAreReported) {
  use_locale("no_SUCH.locale");
  {
    PrintCapture capture;
    EXPECT_EQ(to_utf8("abc", 10), "");
    EXPECT_EQ(capture.lines(), "UTF0014T TRC1:Locale returned null; no locale found.\n");
  }
  use_locale("C.UTF-8");
  tracing.trace_all = 1;
  PrintCapture capture;
  EXPECT_EQ(to_utf8("abc", 10), "abc");
  EXPECT_EQ(capture.lines(),
            "UTF0010T TRC1:Parm - reslen:<10> \n"
            "UTF0011T TRC1:Parm - srclen:<3> \n"
            "UTF0012T TRC1:Source<abc>\n"
            "UTF0015T TRC1:NLX_TranslateString err code: <0>\n"
            "UTF0016T TRC1:Bytes converted: <3>\n"
            "UTF0017T TRC1:UTF-8 string:\n"
            "UTF0018T TRC1:Result<abc>\n");
}

}  // namespace
