// Text forms of fetched values, shared by the SQLite and ODBC backends so that
// both deliver numbers, dates and raw bytes alike.
#include "platform/db_values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// "-0" is what rounding a small negative value leaves; a NUMBER has no such value.
void drop_negative_zero(std::string* s) {
  if (*s == "-0") *s = "0";
}

// The shortest text that reads back as `value`, laid out as printf's "%.*g"
// lays it out with the least precision of 15, 16 or 17 that reads back: fixed
// for exponents from -4 below that precision, else d.ddde+XX. The digits come
// from to_chars, whose shortest form is the one of those "%g" texts.
std::string shortest_double(double value) {
  char sci[40];
  auto res = std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific);
  std::string_view t(sci, static_cast<size_t>(res.ptr - sci));
  bool negative = t.front() == '-';
  if (negative) t.remove_prefix(1);
  size_t e = t.find('e');
  char digits[24];
  size_t n = 0;
  for (char c : t.substr(0, e))
    if (c != '.') digits[n++] = c;
  int exp = 0;
  std::from_chars(t.data() + e + (t[e + 1] == '+' ? 2 : 1), t.data() + t.size(), exp);
  int precision = n > 15 ? static_cast<int>(n) : 15;
  char out[48];
  char* o = out;
  if (negative) *o++ = '-';
  if (exp < -4 || exp >= precision) {
    *o++ = digits[0];
    if (n > 1) {
      *o++ = '.';
      o = std::copy(digits + 1, digits + n, o);
    }
    o += snprintf(o, 8, "e%c%02d", exp < 0 ? '-' : '+', exp < 0 ? -exp : exp);
  } else if (exp < 0) {
    *o++ = '0';
    *o++ = '.';
    o = std::fill_n(o, -exp - 1, '0');
    o = std::copy(digits, digits + n, o);
  } else if (static_cast<size_t>(exp) + 1 >= n) {
    o = std::copy(digits, digits + n, o);
    o = std::fill_n(o, static_cast<size_t>(exp) + 1 - n, '0');
  } else {
    o = std::copy(digits, digits + exp + 1, o);
    *o++ = '.';
    o = std::copy(digits + exp + 1, digits + n, o);
  }
  return std::string(out, static_cast<size_t>(o - out));
}

// True when a plain decimal text already has at most `scale` digits after its
// point, so rounding it to that scale would change nothing.
bool within_scale(const std::string& t, int scale) {
  if (scale < 0 || t.find('e') != std::string::npos) return false;
  size_t point = t.find('.');
  return point == std::string::npos || t.size() - point - 1 <= static_cast<size_t>(scale);
}

// Rounds a plain decimal text (optional "-", digits, optional point) half away
// from zero to `scale` digits after the point, as a decimal column stores it.
std::string round_decimal(const std::string& t, int scale) {
  bool negative = !t.empty() && t[0] == '-';
  std::string digits = negative ? t.substr(1) : t;
  size_t point = digits.find('.');
  long int_len = static_cast<long>(point == std::string::npos ? digits.size() : point);
  if (point != std::string::npos) digits.erase(point, 1);
  long keep = int_len + scale;
  if (keep < 0) return "0";
  if (keep < static_cast<long>(digits.size())) {
    bool up = digits[keep] >= '5';
    digits.resize(keep);
    if (up) {
      long i = keep - 1;
      while (i >= 0 && digits[i] == '9') digits[i--] = '0';
      if (i < 0) {
        digits.insert(digits.begin(), '1');
        ++int_len;
      } else {
        ++digits[i];
      }
    }
  }
  if (static_cast<long>(digits.size()) < int_len) digits.append(int_len - digits.size(), '0');
  std::string s = digits.substr(0, int_len);
  while (s.size() > 1 && s[0] == '0') s.erase(0, 1);
  if (s.empty()) s = "0";
  std::string frac = digits.substr(int_len);
  while (!frac.empty() && frac.back() == '0') frac.pop_back();
  if (!frac.empty()) s += "." + frac;
  if (negative && s != "0") s.insert(s.begin(), '-');
  return s;
}

// Makes a number text fit `room` bytes (0: any length) without changing its
// magnitude: fewer digits after the point, else fewer significant digits in
// exponent form. An integer, or a text nothing helps, is left for the caller
// to cut (the indicator then tells).
std::string fit_number(std::string s, size_t room) {
  if (room == 0 || s.size() <= room) return s;
  double value = strtod(s.c_str(), nullptr);
  size_t point = s.find('.');
  bool exponent = s.find('e') != std::string::npos;
  if (point == std::string::npos && !exponent) return s;
  if (!exponent && point <= room) {
    int keep = point == room ? 0 : static_cast<int>(room - point - 1);
    std::string r = round_decimal(s, keep);
    if (r.size() <= room) return r;
  }
  char buf[40];
  for (int p = 14; p >= 1; --p) {
    snprintf(buf, sizeof buf, "%.*g", p, value);
    if (strlen(buf) <= room) return buf;
  }
  return s;
}

void put_utf8(uint32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void put_unit_be(uint32_t u, std::string* out) {
  out->push_back(static_cast<char>(u >> 8));
  out->push_back(static_cast<char>(u & 0xFF));
}

// Decodes one UTF-8 character at s[*i]; malformed input yields U+FFFD and
// consumes one byte.
uint32_t next_code_point(std::string_view s, size_t* i) {
  unsigned c = static_cast<unsigned char>(s[*i]);
  int extra = 0;
  uint32_t cp = 0;
  if (c < 0x80) {
    ++*i;
    return c;
  } else if ((c & 0xE0) == 0xC0) {
    extra = 1, cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    extra = 2, cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    extra = 3, cp = c & 0x07;
  } else {
    ++*i;
    return 0xFFFD;
  }
  if (*i + extra >= s.size()) {
    ++*i;
    return 0xFFFD;
  }
  for (int k = 1; k <= extra; ++k) {
    unsigned cc = static_cast<unsigned char>(s[*i + k]);
    if ((cc & 0xC0) != 0x80) {
      ++*i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (cc & 0x3F);
  }
  static const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
  if (cp < least[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++*i;
    return 0xFFFD;
  }
  *i += extra + 1;
  return cp;
}

}  // namespace

bool db_number_text(std::string_view text, std::string* out) {
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  std::string_view t = text.substr(b, e - b);
  size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  size_t int_begin = i;
  while (i < t.size() && is_digit(t[i])) ++i;
  std::string_view int_part = t.substr(int_begin, i - int_begin);
  std::string_view frac_part;
  if (i < t.size() && t[i] == '.') {
    size_t f = ++i;
    while (i < t.size() && is_digit(t[i])) ++i;
    frac_part = t.substr(f, i - f);
  }
  if (int_part.empty() && frac_part.empty()) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t d = i;
    while (i < t.size() && is_digit(t[i])) ++i;
    if (i == d || i != t.size()) return false;
    double v = strtod(std::string(t).c_str(), nullptr);
    return db_double_text(v, 0, 0, 0, out);
  }
  if (i != t.size()) return false;
  while (!int_part.empty() && int_part.front() == '0') int_part.remove_prefix(1);
  while (!frac_part.empty() && frac_part.back() == '0') frac_part.remove_suffix(1);
  std::string s;
  if (negative && !(int_part.empty() && frac_part.empty())) s = "-";
  s += int_part.empty() ? std::string_view("0") : int_part;
  if (!frac_part.empty()) {
    s += '.';
    s += frac_part;
  }
  *out = std::move(s);
  return true;
}

bool db_double_text(double value, int precision, int scale, size_t room, std::string* out) {
  if (!std::isfinite(value)) return false;
  char buf[400];
  std::string s;
  if (precision > 0 || scale != 0) {
    // The shortest form is the decimal the value was written as; rounding it
    // (not the binary value) keeps 2.675 at two places 2.68.
    s = shortest_double(value);
    if (s.find('e') != std::string::npos) {
      snprintf(buf, sizeof buf, "%.*f", scale < 0 ? 0 : scale > 60 ? 61 : scale + 1, value);
      s = buf;
    }
    if (!within_scale(s, scale)) s = round_decimal(s, scale);
  } else {
    s = shortest_double(value);
  }
  s = fit_number(std::move(s), room);
  drop_negative_zero(&s);
  *out = std::move(s);
  return true;
}

bool db_normal_number(std::string_view text) {
  size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
  const size_t int_begin = i;
  while (i < text.size() && is_digit(text[i])) ++i;
  const size_t int_len = i - int_begin;
  if (int_len == 0 || (int_len > 1 && text[int_begin] == '0')) return false;
  if (i == text.size()) return !(int_begin == 1 && text[1] == '0');
  if (text[i] != '.' || i + 1 == text.size() || text.back() == '0') return false;
  for (++i; i < text.size(); ++i)
    if (!is_digit(text[i])) return false;
  return true;
}

bool db_declared_number_text(std::string_view text, int precision, int scale, size_t room,
                             std::string* out) {
  std::string s;
  if (!db_number_text(text, &s)) return false;
  size_t point = s.find('.');
  bool over_scale = scale < 0 || (point != std::string::npos &&
                                  s.size() - point - 1 > static_cast<size_t>(scale));
  if ((precision > 0 || scale != 0) && over_scale) s = round_decimal(s, scale);
  *out = fit_number(std::move(s), room);
  return true;
}

std::string db_integer_text(int64_t value, int scale) {
  if (scale >= 0) return std::to_string(value);
  if (scale < -18) return "0";
  __int128 unit = 1;
  for (int k = 0; k < -scale; ++k) unit *= 10;
  __int128 v = value;
  __int128 q = v / unit, r = v % unit;
  if (r * 2 >= unit) ++q;
  if (r * 2 <= -unit) --q;
  v = q * unit;
  if (v == 0) return "0";
  std::string s;
  bool negative = v < 0;
  while (v != 0) {
    int d = static_cast<int>(v % 10);
    s.insert(s.begin(), static_cast<char>('0' + (negative ? -d : d)));
    v /= 10;
  }
  if (negative) s.insert(s.begin(), '-');
  return s;
}

std::string db_date_text(int year, int month, int day) {
  static const char* const months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                       "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  char buf[16];
  snprintf(buf, sizeof buf, "%02d-%s-%02d", day % 100, months[(month - 1) % 12],
           ((year % 100) + 100) % 100);
  return buf;
}

bool db_parse_iso_day(std::string_view t, int* year, int* month, int* day) {
  if (t.size() < 10 || t[4] != '-' || t[7] != '-') return false;
  for (size_t k : {0, 1, 2, 3, 5, 6, 8, 9})
    if (!is_digit(t[k])) return false;
  if (t.size() > 10 && t[10] != ' ' && t[10] != 'T') return false;
  int y = (t[0] - '0') * 1000 + (t[1] - '0') * 100 + (t[2] - '0') * 10 + (t[3] - '0');
  int m = (t[5] - '0') * 10 + (t[6] - '0');
  int d = (t[8] - '0') * 10 + (t[9] - '0');
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || m < 1 || m > 12 || d < 1) return false;
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (d > days[m - 1] + (m == 2 && leap ? 1 : 0)) return false;
  *year = y;
  *month = m;
  *day = d;
  return true;
}

std::string db_hex_text(const void* bytes, size_t n) {
  static const char digits[] = "0123456789ABCDEF";
  const auto* p = static_cast<const unsigned char*>(bytes);
  std::string s(2 * n, '0');
  for (size_t k = 0; k < n; ++k) {
    s[2 * k] = digits[p[k] >> 4];
    s[2 * k + 1] = digits[p[k] & 0xF];
  }
  return s;
}

std::string db_utf16be_text(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() * 2);
  for (size_t i = 0; i < utf8.size();) {
    uint32_t cp = next_code_point(utf8, &i);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      put_unit_be(0xD800 | (cp >> 10), &out);
      put_unit_be(0xDC00 | (cp & 0x3FF), &out);
    } else {
      put_unit_be(cp, &out);
    }
  }
  return out;
}

std::string db_utf8_text(const uint16_t* units, size_t count) {
  std::string out;
  out.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    uint32_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      put_utf8(0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00), &out);
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      put_utf8(0xFFFD, &out);
    } else {
      put_utf8(u, &out);
    }
  }
  return out;
}

void db_put_value(db_item& it, std::string_view value, bool utf16, size_t whole_len) {
  if (!it.buf || it.buf_len <= 0) return;
  size_t cap = static_cast<size_t>(it.buf_len);
  size_t n = value.size();
  if (n > cap) {
    n = cap;
    if (utf16) {
      n &= ~static_cast<size_t>(1);
      // Never keep the first half of a surrogate pair.
      if (n >= 2 && (static_cast<unsigned char>(value[n - 2]) & 0xFC) == 0xD8) n -= 2;
    } else {
      while (n > 0 && (static_cast<unsigned char>(value[n]) & 0xC0) == 0x80) --n;
    }
  }
  memcpy(it.buf, value.data(), n);
  memset(it.buf + n, 0, cap - n);
  size_t chars = 0;
  if (utf16) {
    for (size_t k = 0; k + 1 < n; k += 2)
      if ((static_cast<unsigned char>(value[k]) & 0xFC) != 0xDC) ++chars;
  } else {
    for (size_t k = 0; k < n; ++k)
      if ((static_cast<unsigned char>(value[k]) & 0xC0) != 0x80) ++chars;
  }
  it.returned_octets = static_cast<int32_t>(n);
  it.returned_chars = static_cast<int32_t>(chars);
  size_t whole = whole_len > value.size() ? whole_len : value.size();
  if (it.ind) *it.ind = n < whole ? static_cast<int16_t>(whole > 32767 ? 32767 : whole) : 0;
}

bool db_put_ascii_units(db_item& it, const void* units, size_t count) {
  if (!it.buf || it.buf_len <= 0 || count > static_cast<size_t>(it.buf_len)) return false;
  const auto* at = static_cast<const unsigned char*>(units);
  uint16_t seen = 0;
  for (size_t k = 0; k < count; ++k) {
    uint16_t u;
    memcpy(&u, at + 2 * k, sizeof u);
    seen |= u;
  }
  if (seen >= 0x80) return false;
  for (size_t k = 0; k < count; ++k) {
    uint16_t u;
    memcpy(&u, at + 2 * k, sizeof u);
    it.buf[k] = static_cast<char>(u);
  }
  memset(it.buf + count, 0, static_cast<size_t>(it.buf_len) - count);
  it.returned_octets = it.returned_chars = static_cast<int32_t>(count);
  if (it.ind) *it.ind = 0;
  return true;
}

void db_put_null(db_item& it) {
  if (it.ind) *it.ind = -1;
  if (it.buf && it.buf_len > 0) memset(it.buf, 0, static_cast<size_t>(it.buf_len));
  it.returned_octets = 0;
  it.returned_chars = 0;
}
