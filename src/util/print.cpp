// Message writers: the header of each class and option, console mode, and the
// write to the print file with its copy to standard error.
#include "util/print.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "util/clock.h"
#include "util/outfile.h"
#include "util/print_state.h"
#include "util/trace.h"

print_state print_globals;

void reset_print_state() {
  if (print_globals.stder) fclose(print_globals.stder);
  print_globals = print_state{};
}

namespace {
constexpr char kExpansionError[] = " *** vsprintf error **** ";

// What a class letter (upper-cased) decides.
struct class_rule {
  char letter;  // letter shown after the id; 0 for none
  bool flush;   // flush the print file after the line
  bool copy;    // copy the line to standard error
  bool stamp;   // time stamp forced on (u_msg)
  bool header;  // a header is written at all
};

class_rule rule_of(char cls) {
  switch (cls) {
    case 'A':
      return {'I', false, true, false, true};
    case 'E':
      return {'E', true, true, false, true};
    case 'H':
      return {'T', true, false, true, true};
    case 'I':
      return {'I', false, false, false, true};
    case 'S':
      return {'S', true, true, false, true};
    case 'T':
      return {'T', true, false, true, true};
    case 'W':
      return {'W', false, false, false, true};
    case '-':
    case '\0':
      return {0, false, false, false, false};
    default:
      return {cls, false, true, false, true};
  }
}

char upper(char c) { return static_cast<char>(toupper(static_cast<unsigned char>(c))); }

void upper_case(char* text) {
  for (; *text; ++text) *text = upper(*text);
}

// Appends to a fixed buffer, silently cut at its capacity.
class bounded_text {
 public:
  bounded_text(char* buffer, size_t capacity) : buf_(buffer), cap_(capacity) { buf_[0] = '\0'; }
  void add(const char* text, size_t count) {
    size_t room = cap_ - 1 - len_;
    if (count > room) count = room;
    memcpy(buf_ + len_, text, count);
    len_ += count;
    buf_[len_] = '\0';
  }
  void add(const char* text) { add(text, strlen(text)); }
  void add(char c) { add(&c, 1); }
  char* data() { return buf_; }
  void add_time() {
    time_t now = clock_time();
    struct tm tm;
    localtime_r(&now, &tm);
    char stamp[32];
    snprintf(stamp, sizeof stamp, "(%02d%02d%02d) ", tm.tm_hour, tm.tm_min, tm.tm_sec);
    add(stamp);
  }

 private:
  char* buf_;
  size_t cap_;
  size_t len_ = 0;
};

bool has_header_id(const char* id) { return id && *id && *id != ' '; }

void set_prefix(const char* id) { print_globals.msgPrefix = id ? id : ""; }

void copy_to_log(const char* lead, const char* header, const char* text, int* log_lines) {
  print_state& ps = print_globals;
  check_limit(&ps.log_stream, "col.log", log_lines);
  if (!ps.log_stream) return;
  fprintf(ps.log_stream, "%s%s%s", lead, header, text);
  fflush(ps.log_stream);
}

// Writes one composed line: to the console when no print file is open and the
// class is not copied, else to the print file; then flush and copy as the
// class asks. Returns the count the write reported (1 when nothing was written).
int emit(const char* header, const char* text, bool flush, bool copy, int* out_lines,
         int* log_lines) {
  print_state& ps = print_globals;
  bool console = !ps.stder && !copy;
  int written = 1;
  if (!console && ps.stder) {
    check_limit(&ps.stder, ps.print_name, out_lines);
    // A print file that could not be reopened after wrapping leaves the line
    // to the console rather than losing it.
    if (ps.stder)
      written = fprintf(ps.stder, "%s%s", header, text);
    else
      console = !copy;
  }
  if (console) {
    // Flushed at once so that console lines keep their order with the copies
    // that go to standard error.
    written = fprintf(stdout, "%s%s%s", ps.msgPrefix.c_str(), header, text);
    fflush(stdout);
    flush = false;
  }
  if (written > 0) {
    if (flush && ps.stder) fflush(ps.stder);
    if (copy) copy_to_log("", header, text, log_lines);
  } else {
    copy_to_log("+ ", header, text, log_lines);
  }
  return written;
}
}  // namespace

FILE* print_stream() { return print_globals.stder; }

const char* msg_prefix() { return print_globals.msgPrefix.c_str(); }

int VPRINT(char cls, const char* id, const char* fmt, va_list ap) {
  cls = upper(cls);
  if (cls == '@') {
    set_prefix(id);
    return 0;
  }
  if (cls == 'H' && !trace_on(0)) return 0;
  class_rule rule = rule_of(cls);

  char header[50];
  bounded_text head(header, sizeof header);
  if (rule.header && has_header_id(id)) {
    if (*id == '.') {
      head.add(id + 1);
    } else {
      head.add(id);
      head.add(rule.letter);
      head.add(' ');
      head.add_time();
      upper_case(header);
    }
  }

  char text[4000];
  int n = vsnprintf(text, sizeof text, fmt, ap);
  const char* body = n > 0 ? text : kExpansionError;
  return emit(header, body, rule.flush, rule.copy, &print_globals.print_out_lines,
              &print_globals.print_log_lines);
}

int PRINT(char cls, const char* id, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int n = VPRINT(cls, id, fmt, ap);
  va_end(ap);
  return n;
}

namespace {
// What a u_msg class's option letters leave switched on.
struct msg_options {
  bool header_on, stamp, position = true, upper_on = true;
  bool flush, copy, abort_after = false, silent = false;
};

// One option letter: the switch it sets and the value.
struct option_letter {
  char letter;
  bool msg_options::*field;
  bool value;
};
constexpr option_letter kOptionLetters[] = {
    {'L', &msg_options::copy, false},      {'l', &msg_options::copy, true},
    {'F', &msg_options::flush, false},     {'f', &msg_options::flush, true},
    {'H', &msg_options::header_on, false}, {'T', &msg_options::stamp, false},
    {'t', &msg_options::stamp, true},      {'P', &msg_options::position, false},
    {'p', &msg_options::position, true},   {'u', &msg_options::upper_on, false},
    {'-', &msg_options::silent, true},     {'*', &msg_options::abort_after, true},
};

msg_options read_options(const char* option, const class_rule& rule) {
  msg_options o{
      .header_on = rule.header, .stamp = rule.stamp, .flush = rule.flush, .copy = rule.copy};
  for (; *option && !o.silent; ++option) {
    if (*option == 'h') o.header_on = rule.header;
    for (const option_letter& k : kOptionLetters)
      if (k.letter == *option) o.*k.field = k.value;
  }
  return o;
}

// The header of a message: the id (`id_len` characters of `id` when it comes
// from a class X format, else the id and the class letter), the time, the
// source position and the sender.
void add_header(bounded_text& head, const msg_options& o, const class_rule& rule,
                const char* sender, bool from_format, const char* id, size_t id_len,
                const char* file, int line) {
  if (from_format) {
    head.add(id, id_len);
  } else {
    head.add(*id == '.' ? id + 1 : id);
    head.add(rule.letter);
    head.add(' ');
  }
  if (o.stamp) head.add_time();
  if (o.position && file) {
    const char* slash = strrchr(file, '/');
    char where[32];
    snprintf(where, sizeof where, "(%d) ", line);
    head.add(slash ? slash + 1 : file);
    head.add(where);
  }
  if (o.upper_on) upper_case(head.data());
  if (sender && (print_globals.NumberOfCollectors > 1 || trace_on(6))) {
    head.add(sender);
    head.add(' ');
  }
}
}  // namespace

int u_msg(const char* sender, const char* file, int line, const char* cls, const char* id,
          const char* fmt, ...) {
  char cls_letter = cls && *cls ? upper(*cls) : 'T';
  const char* option = cls && *cls ? cls + 1 : "";
  if (cls_letter == '@') {
    set_prefix(id);
    return 0;
  }
  int level = 0;
  if (cls_letter == 'H' && isdigit(static_cast<unsigned char>(*option))) {
    level = 0;
    while (isdigit(static_cast<unsigned char>(*option)) && level < 100)
      level = level * 10 + (*option++ - '0');
  }

  // Class X carries its id and letter in the format: "ABC1234E text...".
  bool from_format = cls_letter == 'X';
  size_t fmt_len = from_format ? strlen(fmt) : 0;
  size_t id_part = fmt_len < 9 ? fmt_len : 9;
  class_rule rule = rule_of(from_format ? upper(fmt_len >= 8 ? fmt[7] : ' ') : cls_letter);

  msg_options o = read_options(option, rule);
  if (o.silent) return 0;
  if (cls_letter == 'H' && !trace_on(level)) return 0;

  char header[88];
  bounded_text head(header, sizeof header);
  if (o.header_on && (from_format || has_header_id(id)))
    add_header(head, o, rule, sender, from_format, from_format ? fmt : id, id_part, file, line);
  // One byte is kept back for the newline appended below.
  char text[7000];
  const char* body;
  if (from_format) {
    snprintf(text, sizeof text - 1, "%s", fmt + id_part);
    body = text;
  } else {
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(text, sizeof text - 1, fmt, ap);
    va_end(ap);
    body = n > 0 ? text : kExpansionError;
  }
  if (body != text) memcpy(text, kExpansionError, sizeof kExpansionError);
  size_t len = strlen(text);
  if (len == 0 || text[len - 1] != '\n') {
    text[len] = '\n';
    text[len + 1] = '\0';
  }

  int written = emit(header, text, o.flush, o.copy, &print_globals.umsg_out_lines,
                     &print_globals.umsg_log_lines);
  if (o.abort_after) {
    if (print_globals.stder) fflush(print_globals.stder);
    fflush(stdout);
    abort();
  }
  return written;
}

void close_PRINT() {
  if (print_globals.stder) fclose(print_globals.stder);
  print_globals.stder = nullptr;
}
