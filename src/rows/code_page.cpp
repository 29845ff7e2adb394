// Code pages through iconv: the codeset-name table, the process locale, one
// cached converter per pair of code pages, and the traced conversion entries.
#include "rows/code_page.h"

#include <iconv.h>
#include <langinfo.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "util/print.h"
#include "util/trace.h"

namespace {

struct code_page_entry {
  const char* codeset;  // as nl_langinfo(CODESET) names it (null: no locale uses it)
  int32_t code_page;    // the code page number
  const char* iconv;    // the name iconv knows it by
  bool ascii;           // bytes below 0x80 are ASCII characters
};

// Codeset names and their code page numbers. The first entry of a number
// gives its iconv name.
const code_page_entry code_pages[] = {
    {"UTF-8", CP_UTF8, "UTF-8", true},
    {"ANSI_X3.4-1968", 367, "ASCII", true},
    {"ASCII", 367, "ASCII", true},
    {"US-ASCII", 367, "ASCII", true},
    {"ISO-8859-1", 819, "ISO-8859-1", true},
    {"ISO-8859-2", 912, "ISO-8859-2", true},
    {"ISO-8859-5", 915, "ISO-8859-5", true},
    {"ISO-8859-6", 1089, "ISO-8859-6", true},
    {"ISO-8859-7", 813, "ISO-8859-7", true},
    {"ISO-8859-8", 916, "ISO-8859-8", true},
    {"ISO-8859-9", 920, "ISO-8859-9", true},
    {"ISO-8859-15", 923, "ISO-8859-15", true},
    {"CP1250", 1250, "CP1250", true},
    {"CP1251", 1251, "CP1251", true},
    {"CP1252", 1252, "CP1252", true},
    {"KOI8-R", 878, "KOI8-R", true},
    {"KOI8-U", 1168, "KOI8-U", true},
    {"TIS-620", 874, "TIS-620", true},
    {"EUC-JP", 954, "EUC-JP", true},
    {"SHIFT_JIS", 943, "SHIFT_JIS", true},
    {"SJIS", 943, "SHIFT_JIS", true},
    {"EUC-KR", 970, "EUC-KR", true},
    {"EUC-TW", 964, "EUC-TW", true},
    {"GB2312", 1383, "GB2312", true},
    {"GBK", 1386, "GBK", true},
    {"GB18030", 5488, "GB18030", true},
    {"BIG5", 950, "BIG5", true},
    {"BIG5-HKSCS", 1375, "BIG5-HKSCS", true},
    {nullptr, CP_NATIONAL, "UTF-16BE", false},
};

const code_page_entry* entry_of(int32_t code_page) {
  for (const auto& e : code_pages)
    if (e.code_page == code_page) return &e;
  return nullptr;
}

// Codeset names are compared without case, '-' and '_' ("utf8" is "UTF-8").
std::string folded(const char* name) {
  std::string out;
  for (; *name; ++name)
    if (*name != '-' && *name != '_')
      out += static_cast<char>(toupper(static_cast<unsigned char>(*name)));
  return out;
}

class iconv_holder {
 public:
  explicit iconv_holder(iconv_t cd) : cd_(cd) {}
  ~iconv_holder() { iconv_close(cd_); }
  iconv_holder(const iconv_holder&) = delete;
  iconv_holder& operator=(const iconv_holder&) = delete;
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

}  // namespace

// One open converter per pair of code pages, made on first use.
class conversion_cache {
 public:
  // The converter from `from` to `to`, or null (errno set) when iconv has none.
  iconv_t get(int32_t from, int32_t to) {
    for (const auto& s : slots_)
      if (s.from == from && s.to == to) return s.cd->get();
    const code_page_entry* f = entry_of(from);
    const code_page_entry* t = entry_of(to);
    if (!f || !t) {
      errno = EINVAL;
      return nullptr;
    }
    iconv_t cd = iconv_open(t->iconv, f->iconv);
    if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
    slots_.push_back({from, to, std::make_unique<iconv_holder>(cd)});
    return cd;
  }

 private:
  struct slot {
    int32_t from, to;
    std::unique_ptr<iconv_holder> cd;
  };
  std::vector<slot> slots_;
};

int32_t codeset_code_page(const char* codeset) {
  if (!codeset) return 0;
  std::string name = folded(codeset);
  for (const auto& e : code_pages)
    if (e.codeset && folded(e.codeset) == name) return e.code_page;
  return 0;
}

const char* code_page_iconv_name(int32_t code_page) {
  const code_page_entry* e = entry_of(code_page);
  return e ? e->iconv : nullptr;
}

Locale systm;

Locale::Locale() : converters_(std::make_unique<conversion_cache>()) {}

Locale::~Locale() {
  if (locale_) freelocale(locale_);
}

locale_t Locale::getLocale() {
  if (!locale_asked_) {
    locale_asked_ = true;
    locale_ = newlocale(LC_CTYPE_MASK, "", locale_t{});
  }
  return locale_;
}

int32_t Locale::getCodepage() {
  if (!codepage_asked_) {
    codepage_asked_ = true;
    locale_t loc = getLocale();
    codepage_ = loc ? codeset_code_page(nl_langinfo_l(CODESET, loc)) : 0;
  }
  return codepage_;
}

void Locale::reset() {
  if (locale_) freelocale(locale_);
  locale_ = locale_t{};
  locale_asked_ = codepage_asked_ = false;
  codepage_ = 0;
  converters_ = std::make_unique<conversion_cache>();
}

int getCodepageInfo(int32_t, char* buf, int size) {
  const char* name = code_page_iconv_name(systm.getCodepage());
  snprintf(buf, static_cast<size_t>(size), "%s", name ? name : "");
  return name ? 0 : -1;
}

namespace {

bool all_ascii(const char* src, int len) {
  for (int i = 0; i < len; ++i)
    if (static_cast<unsigned char>(src[i]) >= 0x80) return false;
  return true;
}

// The length of the well-formed UTF-8 character at the start of `s` (`left`
// bytes, at least 1); 0 when the bytes are ill-formed, with `*part` the bytes
// of the ill-formed part that make up the start of a character; -1 when the
// bytes begin a character that `left` cuts off.
int utf8_char_len(const unsigned char* s, int left, int* part) {
  unsigned c = s[0];
  *part = 1;
  if (c < 0x80) return 1;
  int need;
  unsigned lo = 0x80, hi = 0xBF;  // the range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    need = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    need = 3;
    if (c == 0xE0) lo = 0xA0;  // no overlong forms
    if (c == 0xED) hi = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    need = 4;
    if (c == 0xF0) lo = 0x90;  // no overlong forms
    if (c == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  for (int k = 1; k < need; ++k) {
    if (k >= left) return -1;
    unsigned b = s[k];
    if (b < (k == 1 ? lo : 0x80) || b > (k == 1 ? hi : 0xBF)) {
      *part = k;
      return 0;
    }
  }
  return need;
}

// Copies UTF-8 text, checked: whole characters only, as many as fit. Returns
// the bytes written, or 0 with `*err` set when the text is ill-formed and
// `options` does not ask for substitution.
int check_utf8(char* out, int outsize, const char* src, int srclen, int options, int* err) {
  const auto* s = reinterpret_cast<const unsigned char*>(src);
  int i = 0, o = 0;
  while (i < srclen) {
    int part = 1;
    int n = utf8_char_len(s + i, srclen - i, &part);
    if (n < 0) {  // a character cut off at the end
      if (!(options & NLX_OPT_SUBSTITUTE)) *err = EINVAL;
      break;
    }
    if (n == 0) {
      if (!(options & NLX_OPT_SUBSTITUTE)) {
        *err = EILSEQ;
        return 0;
      }
      if (o + 1 > outsize) break;
      out[o++] = '?';
      i += part;
      continue;
    }
    if (o + n > outsize) break;
    memcpy(out + o, s + i, static_cast<size_t>(n));
    o += n;
    i += n;
  }
  return *err ? 0 : o;
}

// Converts between two code pages. Returns the bytes written, or 0 with the
// failure's errno in `*err`.
int translate(int32_t from, int32_t to, char* out, int outsize, const char* src, int srclen,
              int options, int* err) {
  *err = 0;
  if (outsize <= 0 || srclen < 0) {
    *err = EINVAL;
    return 0;
  }
  const code_page_entry* f = entry_of(from);
  const code_page_entry* t = entry_of(to);
  // Plain ASCII text reads the same in every ASCII-based code page.
  if (f && t && f->ascii && t->ascii && all_ascii(src, srclen)) {
    int n = srclen < outsize ? srclen : outsize;
    memcpy(out, src, static_cast<size_t>(n));
    return n;
  }
  if (from == CP_UTF8 && to == CP_UTF8) return check_utf8(out, outsize, src, srclen, options, err);
  iconv_t cd = systm.converters().get(from, to);
  if (!cd) {
    *err = errno;
    return 0;
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(src);
  size_t inleft = static_cast<size_t>(srclen);
  char* o = out;
  size_t oleft = static_cast<size_t>(outsize);
  while (inleft > 0) {
    if (iconv(cd, &in, &inleft, &o, &oleft) != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) break;
    if (!(options & NLX_OPT_SUBSTITUTE) || (errno != EILSEQ && errno != EINVAL)) {
      *err = errno;
      return 0;
    }
    if (errno == EINVAL) break;  // a character cut off at the end
    if (oleft == 0) break;
    *o++ = '?';
    --oleft;
    ++in;
    --inleft;
  }
  iconv(cd, nullptr, nullptr, &o, &oleft);
  return static_cast<int>(o - out);
}

std::string shown(const char* text, int len, int most) {
  if (len < 0) len = 0;
  return std::string(text, static_cast<size_t>(len < most ? len : most));
}

}  // namespace

int Convert_toUTF8_wopt(char* out, int outsize, const char* src, int srclen, int options) {
  if (tracing.trace_all) {
    PRINT('t', "utf0010", "TRC1:Parm - reslen:<%d> \n", outsize);
    PRINT('t', "utf0011", "TRC1:Parm - srclen:<%d> \n", srclen);
    PRINT('t', "utf0012", "TRC1:Source<%s>\n", shown(src, srclen, srclen).c_str());
  }
  if (!systm.getLocale()) {
    PRINT('t', "utf0014", "TRC1:Locale returned null; no locale found.\n");
    return 0;
  }
  int32_t cp = systm.getCodepage();
  if (cp == 0) {
    PRINT('t', "utf0013", "TRC1:Codepage return was 0; Not a valid Codepage\n");
    return 0;
  }
  int err = 0;
  int n = translate(cp, CP_UTF8, out, outsize, src, srclen, options, &err);
  if (tracing.trace_all) {
    PRINT('t', "utf0015", "TRC1:NLX_TranslateString err code: <%d>\n", err);
    PRINT('t', "utf0016", "TRC1:Bytes converted: <%d>\n", n);
    PRINT('t', "utf0017", "TRC1:UTF-8 string:\n");
    PRINT('t', "utf0018", "TRC1:Result<%s>\n", shown(out, n, 4001).c_str());
  }
  return n;
}

int Convert_CodepageToUTF8_wopt(int32_t from, char* out, int outsize, const char* src, int srclen,
                                int options) {
  int err = 0;
  return translate(from, CP_UTF8, out, outsize, src, srclen, options, &err);
}

int Convert_UnicodeToUTF8_wopt(char* out, int outsize, const char* src, int srclen, int options) {
  if (tracing.trace_all) {
    PRINT('t', "utf0030", "TRC1:Parm - reslen:<%d> \n", outsize);
    PRINT('t', "utf0031", "TRC1:Parm - srclen:<%d> \n", srclen);
    PRINT('t', "utf0032", "TRC1:Source<%s>\n", shown(src, srclen, srclen).c_str());
  }
  int err = 0;
  int n = translate(CP_NATIONAL, CP_UTF8, out, outsize, src, srclen, options, &err);
  if (tracing.trace_all) {
    PRINT('t', "utf0034", "TRC1:NLX_TranslateString err code: <%d>\n", err);
    PRINT('t', "utf0035", "TRC1:Bytes converted: <%d>\n", n);
    PRINT('t', "utf0036", "TRC1:UTF-8 string:\n");
    PRINT('t', "utf0037", "TRC1:Result<%s>\n", shown(out, n, 4001).c_str());
  }
  return n;
}

int Convert_fromUTF8(char* out, int outsize, const char* src, int srclen) {
  if (tracing.trace_all) {
    PRINT('t', "utf0020", "TRC1:Parm - reslen:<%d> \n", outsize);
    PRINT('t', "utf0021", "TRC1:Parm - srclen:<%d> \n", srclen);
    PRINT('t', "utf0022", "TRC1:Source<%s>\n", shown(src, srclen, srclen).c_str());
  }
  if (!systm.getLocale()) {
    PRINT('t', "utf0024", "TRC1:Locale returned null; no locale found.\n");
    return 0;
  }
  int32_t cp = systm.getCodepage();
  if (cp == 0) {
    PRINT('t', "utf0023", "TRC1:Codepage return was 0; Not a valid Codepage\n");
    return 0;
  }
  int err = 0;
  int n = translate(CP_UTF8, cp, out, outsize, src, srclen, 0, &err);
  if (tracing.trace_all) {
    PRINT('t', "utf0025", "TRC1:NLX_TranslateString err code: <%d>\n", err);
    PRINT('t', "utf0026", "TRC1:Bytes converted: <%d>\n", n);
    PRINT('t', "utf0027", "TRC1:Code page string:\n");
    PRINT('t', "utf0028", "TRC1:Result<%s>\n", shown(out, n, 4001).c_str());
  }
  return n;
}
