// Code pages: the process locale, its code page number, and the conversion of
// fetched character values into UTF-8 (from the locale's code page, or from the
// national-character form of database columns), through the C library's iconv.
#pragma once

#include <locale.h>

#include <cstdint>
#include <memory>

// Code page numbers.
constexpr int32_t CP_UTF8 = 1208;       // UTF-8
constexpr int32_t CP_NATIONAL = 57359;  // national-character form of database columns

// Option flag of the conversions: a byte sequence that is not a character of
// the source code page becomes '?', and a character cut off at the end of the
// source is dropped. Without it either makes the conversion fail.
constexpr int NLX_OPT_SUBSTITUTE = 256;

// Returns the code page number of a codeset name as nl_langinfo(CODESET)
// reports it ("UTF-8" is 1208, "ISO-8859-1" 819, "ANSI_X3.4-1968" 367, ...),
// compared without regard to case, '-' and '_'; 0 for a codeset not known.
int32_t codeset_code_page(const char* codeset);

// The iconv name of a code page number, or null for a number not known.
const char* code_page_iconv_name(int32_t code_page);

class conversion_cache;

// The process locale and its code page, both asked for once and kept until
// reset() or the end of the process.
class Locale {
 public:
  Locale();
  ~Locale();
  Locale(const Locale&) = delete;
  Locale& operator=(const Locale&) = delete;

  // The process locale from the environment (LC_ALL, LC_CTYPE, LANG), made on
  // first use; (locale_t)0 when the environment names no usable locale.
  locale_t getLocale();

  // The locale's code page number, asked for on first use; 0 when there is no
  // locale or its codeset has no known number.
  int32_t getCodepage();

  // Releases the locale and the cached converters; the next use asks again.
  void reset();

  // The converters kept between calls (one per pair of code pages).
  conversion_cache& converters() { return *converters_; }

 private:
  locale_t locale_ = locale_t{};  // the process locale, once made
  bool locale_asked_ = false;     // getLocale has tried already
  int32_t codepage_ = 0;          // the locale's code page, once asked
  bool codepage_asked_ = false;   // getCodepage has tried already
  std::unique_ptr<conversion_cache> converters_;
};

// The process-wide locale.
extern Locale systm;

// Writes the name of the locale's code page into `buf` (`size` bytes, at least
// 1). `code_page` is not used. Returns 0, or -1 when the locale has no code page
// (the buffer then holds an empty text).
int getCodepageInfo(int32_t code_page, char* buf, int size);

// Converts `srclen` bytes of `src` from the locale's code page into UTF-8 in
// `out` (`outsize` bytes; the output is not terminated and stops at the last
// whole character that fits). `options` takes NLX_OPT_SUBSTITUTE. Returns the
// bytes written; 0 on failure (no locale, no code page, bad input).
int Convert_toUTF8_wopt(char* out, int outsize, const char* src, int srclen, int options);

// Converts `srclen` bytes of `src` from the code page `from` into UTF-8, as
// Convert_toUTF8_wopt does, whatever the locale. From UTF-8 the text is
// checked and never passed on malformed: with NLX_OPT_SUBSTITUTE each
// ill-formed sequence (a stray byte, an overlong form, a surrogate, a code
// point above U+10FFFF) becomes one '?'.
int Convert_CodepageToUTF8_wopt(int32_t from, char* out, int outsize, const char* src, int srclen,
                                int options);

// The same from the national-character form (code page 57359), whatever the
// locale.
int Convert_UnicodeToUTF8_wopt(char* out, int outsize, const char* src, int srclen, int options);

// Converts UTF-8 text into the locale's code page; as Convert_toUTF8_wopt with
// no options.
int Convert_fromUTF8(char* out, int outsize, const char* src, int srclen);
