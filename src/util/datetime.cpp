// Date-time normalisation into agent timestamps. Separated texts are read as a
// date of three numbers and a time; digits-only texts are recognised by their
// leading digits and a plausible month position and then copied into place.
#include "util/datetime.h"

#include <cstdio>
#include <cstring>

#include "util/print.h"
#include "util/trace.h"

namespace {
constexpr int kMaxInput = 99;
constexpr long kNumberCap = 1000000000;  // keeps long digit runs from overflowing

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_stripped(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '"' || c == '\'';
}
bool is_time_separator(char c) { return c == ':' || c == '.'; }

void put_error(char* output, int code) {
  char text[32];
  snprintf(text, sizeof text, "DateFmtErr=%-5d", code);
  memset(output, ' ', kAgentTimestampSize);
  memcpy(output, text, strnlen(text, kAgentTimestampSize));
}

// Reads the stripped text piece by piece, tracing each piece it cuts.
class scanner {
 public:
  scanner(const char* text, int length) : text_(text), length_(length) {}

  bool at_end() const { return pos_ >= length_; }
  char peek() const { return at_end() ? '\0' : text_[pos_]; }
  void skip_blanks() {
    while (!at_end() && is_blank(text_[pos_])) ++pos_;
  }

  // A number of the date: blanks, digits, blanks, then its terminator, which
  // is consumed unless it is the first digit of the next number. `digits` is
  // 0 when there was no digit.
  struct number {
    long value = 0;
    int digits = 0;
    char end = '\0';  // '\0' at the end of the text
  };
  number read_number() {
    number n;
    skip_blanks();
    int start = pos_;
    for (; !at_end() && is_digit(text_[pos_]); ++pos_) {
      n.value = n.value * 10 + (text_[pos_] - '0');
      if (n.value > kNumberCap) n.value = kNumberCap;
    }
    n.digits = pos_ - start;
    int stop = pos_;
    skip_blanks();
    n.end = peek();
    if (!at_end() && !is_digit(n.end)) ++pos_;
    trace(start, stop, n.end);
    return n;
  }

  // A piece of the time: the characters up to a ":" or "." separator, a blank
  // or the end. The separator (not a blank) is consumed.
  struct token {
    const char* text = nullptr;
    int length = 0;
    char end = '\0';  // '\0' at the end of the text
  };
  token read_token() {
    token t;
    skip_blanks();
    int start = pos_;
    while (!at_end() && !is_time_separator(text_[pos_]) && !is_blank(text_[pos_])) ++pos_;
    t.text = text_ + start;
    t.length = pos_ - start;
    t.end = peek();
    if (is_time_separator(t.end)) ++pos_;
    trace(start, start + t.length, t.end);
    return t;
  }

 private:
  void trace(int start, int stop, char end) {
    if (!trace_on(3)) return;
    char piece[kMaxInput + 1];
    snprintf(piece, sizeof piece, "%.*s", stop - start, text_ + start);
    if (pieces_++ == 0)
      U_MSG("tP", "udt8082", "tcpin:%s %c\n", piece, end ? end : '.');
    else
      U_MSG("tP", "udt8081", "tcpin:%s %c.\n", piece, end ? end : '.');
  }

  const char* text_;
  int length_;
  int pos_ = 0;
  int pieces_ = 0;
};

// The value of the leading digits of at most `count` characters at `text`.
int leading_value(const char* text, int count) {
  int value = 0;
  for (int i = 0; i < count && is_digit(text[i]); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 1000000) value = 1000000;  // far out of range already; no overflow
  }
  return value;
}

char* put_digits(char* out, long value, int width) {
  for (int i = width - 1; i >= 0; --i, value /= 10) out[i] = static_cast<char>('0' + value % 10);
  return out + width;
}

struct date_time {
  long year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0;
};

// Reads the date part. Returns 0 or the error number.
int read_date(scanner& in, date_time& dt) {
  scanner::number first = in.read_number();
  int missing_second, bad_separator, missing_third;
  long *a, *b, *c;  // where the first, second and third numbers go
  char separator = first.end;
  if (separator == '/' && first.value < 13) {
    missing_second = 551, bad_separator = 552, missing_third = 554;
    a = &dt.month, b = &dt.day, c = &dt.year;
  } else if (separator == '/') {
    missing_second = 542, bad_separator = 543, missing_third = 545;
    a = &dt.year, b = &dt.month, c = &dt.day;
  } else if (separator == '-') {
    missing_second = 562, bad_separator = 563, missing_third = 565;
    a = &dt.day, b = &dt.month, c = &dt.year;
  } else {
    return 570;
  }
  *a = first.value;
  scanner::number second = in.read_number();
  if (second.digits == 0) return missing_second;
  if (second.end != separator) return bad_separator;
  *b = second.value;
  scanner::number third = in.read_number();
  if (third.digits == 0) return missing_third;
  *c = third.value;
  return 0;
}

// Reads the time part. Returns 0 or the error number.
int read_time(scanner& in, date_time& dt) {
  in.skip_blanks();
  if (in.at_end()) return 574;  // a separated date must carry a time
  scanner::token hour = in.read_token();
  if (is_time_separator(hour.end)) {
    scanner::token minute = in.read_token();
    if (minute.length == 0) return 578;
    if (!is_time_separator(minute.end)) return 579;
    scanner::token second = in.read_token();
    if (second.length == 0) return 581;
    dt.hour = leading_value(hour.text, hour.length);
    dt.minute = leading_value(minute.text, minute.length);
    dt.second = leading_value(second.text, second.length < 2 ? second.length : 2);
    return 0;
  }
  if (hour.end != '\0') return 603;
  if (hour.length == 0 || !is_digit(hour.text[0])) return 0;  // no time given: midnight
  if (hour.length != 6) return 589;
  dt.hour = leading_value(hour.text, 2);
  dt.minute = leading_value(hour.text + 2, 2);
  dt.second = leading_value(hour.text + 4, 2);
  return 0;
}

int normalize_separated(const char* text, int length, char* output) {
  scanner in(text, length);
  date_time dt;
  if (int rc = read_date(in, dt)) return rc;
  if (int rc = read_time(in, dt)) return rc;
  if (dt.month < 1 || dt.month > 12) return 607;
  // The day is not compared with the length of its month.
  if (dt.day < 1 || dt.day > 31) return 608;
  if (dt.hour > 59) return 609;
  if (dt.minute > 59) return 610;
  if (dt.second > 59) return 611;
  long cyy = dt.year;
  if (cyy > 1900)
    cyy -= 1900;
  else if (cyy < 50)
    cyy += 100;  // two-digit years 00..49 mean 2000..2049
  if (cyy < 0 || cyy > 250) return 619;
  // Every field is in range here, so each fills its width exactly:
  // "%03d%02d%02d%02d%02d%02d%03d" of CYY, month, day, hour, minute, second, 0.
  char stamp[kAgentTimestampSize];
  char* p = put_digits(stamp, cyy, 3);
  p = put_digits(p, dt.month, 2);
  p = put_digits(p, dt.day, 2);
  p = put_digits(p, dt.hour, 2);
  p = put_digits(p, dt.minute, 2);
  p = put_digits(p, dt.second, 2);
  put_digits(p, 0, 3);
  memcpy(output, stamp, kAgentTimestampSize);
  return 0;
}

int normalize_digits(const char* text, int length, char* output) {
  char d[kAgentTimestampSize + 1] = {};
  int n = length < kAgentTimestampSize ? length : kAgentTimestampSize;
  memcpy(d, text, n);
  // A month can start at position i: "0x", or "1" followed by 0..2. Past the
  // digits the text ends, as in a terminated string.
  auto month_at = [&](int i) { return d[i] == '0' || (d[i] == '1' && d[i + 1] <= '2'); };
  char stamp[kAgentTimestampSize];
  memset(stamp, '0', sizeof stamp);
  auto place = [&](const char* lead, int from) {
    int at = 0;
    if (lead) stamp[at++] = *lead;
    for (int i = from; i < n && at < kAgentTimestampSize; ++i) stamp[at++] = d[i];
    memcpy(output, stamp, kAgentTimestampSize);
    return 0;
  };
  switch (d[0]) {
    case '0':
      if (d[1] == '9' && month_at(3)) return place(nullptr, 0);  // CYY 090..099
      return 662;
    case '1':
      if (d[1] >= '0' && d[1] <= '6' && month_at(3)) return place(nullptr, 0);  // CYY 100..169
      if (d[1] == '9' && month_at(4)) return place("0", 2);                     // 19YY
      if (d[1] == '9' && month_at(3)) return place(nullptr, 0);                 // CYY 190..199
      return 700;
    case '2':
      if (d[1] == '0' && month_at(4)) return place("1", 2);  // 20YY
      if (d[1] == '0' && month_at(2)) return place("1", 0);  // YY 20
      return 677;
    case '7':
    case '8':
    case '9':
      if (month_at(2)) return place("0", 0);  // YY 70..99
      return 709;
    default:
      return 709;
  }
}
}  // namespace

int us_normalizeDateTime(const char* input, int length, char* output) {
  char work[kMaxInput + 1];
  int n = length < 1 ? static_cast<int>(strnlen(input, kMaxInput)) : length;
  if (n > kMaxInput) n = kMaxInput;
  memcpy(work, input, n);
  int start = 0;
  while (start < n && is_stripped(work[start])) ++start;
  while (n > start && is_stripped(work[n - 1])) --n;
  work[n] = '\0';
  const char* text = work + start;
  int len = n - start;

  if (len == 0) {
    memset(output, ' ', kAgentTimestampSize);
    return 0;
  }
  // The agent's reserved timestamps pass unchanged.
  if (len == kAgentTimestampSize && strspn(text, "0") >= 15 && text[15] >= '0' && text[15] <= '3') {
    memcpy(output, text, kAgentTimestampSize);
    return 0;
  }
  bool digits_only = true;
  for (int i = 0; i < len && digits_only; ++i) digits_only = is_digit(text[i]);
  int rc =
      digits_only ? normalize_digits(text, len, output) : normalize_separated(text, len, output);
  if (rc != 0) put_error(output, rc);
  return rc;
}
