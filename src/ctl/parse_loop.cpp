// The statement loop shared by every control-file parser.
#include "ctl/parse_loop.h"

#include <cctype>
#include <cstring>
#include <string>

#include "ctl/ctl_time.h"
#include "ctl/reader.h"
#include "util/print.h"

namespace {

void say(char cls, const ctl_message& m, const char* arg = nullptr) {
  if (!m.id) return;
  if (arg)
    PRINT(cls, m.id, m.text, arg);
  else
    PRINT(cls, m.id, "%s", m.text);
}

void banner(const ctl_message (&lines)[3]) {
  if (!lines[1].id) return;
  char now[20];
  ctl_banner_time(now);
  say('i', lines[0]);
  PRINT('i', lines[1].id, lines[1].text, now);
  say('i', lines[2]);
}

// The first-word rule: the file starts with its first keyword, exactly or in
// upper case. Returns the message of a breach, or null.
const ctl_message* first_word_breach(const ctl_file_messages& m) {
  const word_info& w = reader.parse_word;
  if (m.first_length.id && w.len != static_cast<int>(strlen(m.first_word))) return &m.first_length;
  std::string upper(m.first_word);
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  if (!word_is(m.first_word) && !word_is(upper.c_str())) return &m.first_other;
  return nullptr;
}

// What one statement did to the reading.
enum class step { go_on, stop, failed, abandon };

step fail(ctl_statements& s) {
  s.errors = true;
  return step::failed;
}

// One statement read into the buffer.
step one_statement(const ctl_file_messages& m, ctl_statements& s, bool& first) {
  int n = get_word(reader.this_start, reader.statement_end);
  if (n < 0) {
    say('e', m.read_failed, reader.message);
    return fail(s);
  }
  if (n == 0) return step::go_on;
  reader.this_start += n;
  const word_info& w = reader.parse_word;
  if (first && m.first_word) {
    if (const ctl_message* breach = first_word_breach(m)) {
      say('e', *breach);
      return fail(s);
    }
  }
  first = false;
  int code = s.keyword(w.str, w.len);
  if (code == 0) {
    std::string word(w.str, w.len);
    say('e', m.unknown, word.c_str());
    return fail(s);
  }
  ctl_outcome o = s.statement(code);
  if (o == ctl_outcome::abandon) return step::abandon;
  if (o == ctl_outcome::quiet_stop) return step::stop;
  if (o != ctl_outcome::next) s.errors = true;
  if (o == ctl_outcome::fatal) {
    if (reader.failed) say('e', m.statement_failed, reader.message);
    return step::failed;
  }
  if (m.unbalanced.id &&
      (o == ctl_outcome::unbalanced || (reader.parens != 0 && s.checks_parens(code, o)))) {
    say('e', m.unbalanced);
    return fail(s);
  }
  return s.ended ? step::stop : step::go_on;
}

}  // namespace

int run_parse_loop(FILE* in, const ctl_file_messages& m, ctl_statements& s) {
  banner(m.start_banner);
  s.started();
  statement_source src(in, m.line_size);
  bool first = true;
  step last = step::go_on;
  int rc;
  while (last == step::go_on && (rc = src.next()) != 0) {
    if (rc < 0) {
      say('e', m.read_failed, reader.message);
      last = fail(s);
    } else {
      last = one_statement(m, s, first);
    }
  }
  if (last == step::abandon || (last == step::failed && m.first_error_ends)) return 1;
  if (last == step::go_on) {  // the whole file was read
    if (s.at_eof() != ctl_outcome::next) s.errors = true;
    if (!s.ended && !s.errors && m.missing_end.id) {
      say('e', m.missing_end);
      s.errors = true;
    }
  }
  s.finishing();
  banner(m.end_banner);
  if (s.errors) {
    say('e', m.ended_with_errors);
    return 1;
  }
  return s.finished();
}
