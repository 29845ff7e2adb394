// The PROCESS.CTL parser: statements of process blocks, the block checks, and
// the start-up entry that parses the file.
#include <cstring>
#include <string>

#include "ctl/anchors.h"
#include "ctl/arena.h"
#include "ctl/ctl_file.h"
#include "ctl/ctl_time.h"
#include "ctl/distributor.h"
#include "ctl/keywords.h"
#include "ctl/parse_loop.h"
#include "ctl/process.h"
#include "ctl/reader.h"
#include "ctl/window_words.h"
#include "ctl/windows.h"
#include "util/print.h"
#include "util/settings.h"
#include "util/trace.h"

namespace {

constexpr const char* dashes = "--------------------------------------------------------------\n";

// A statement error skips later statements except process and end.
using outcome = ctl_outcome;

struct proc_parser final : ctl_statements {
  distributor* open = nullptr;  // the block being read
  window_pairs windows;         // window starts waiting for their ends
  int32_t today = 0;            // relative day number of the parse

  int keyword(const char* word, int len) override { return distrib_key_word(word, len); }
  outcome statement(int code) override;
  int finished() override;
  outcome close_block();
  outcome open_block();
  outcome value(int code, distributor* d);
  outcome holiday(distributor* d);
  outcome window(int code, distributor* d);
};

std::string word_text() { return std::string(reader.parse_word.str, reader.parse_word.len); }

bool yes_no(char* out) {
  char c = reader.parse_word.str[0];
  if (c != 'Y' && c != 'N') return false;
  *out = c;
  return true;
}

outcome proc_parser::close_block() {
  distributor* d = open;
  open = nullptr;
  bool bad = false;
  if (d->distrib_name[0] == 0) {
    PRINT('e', "ppc0895", "No Process name\n");
    bad = true;
  }
  if (strncmp(d->distrib_name, "collector", 9) == 0) {
    if (d->type == 0) {
      PRINT('e', "ppc0900", "No Process type specified\n");
      bad = true;
    }
    if (d->logon_id[0] == 0) PRINT('w', "ppc0905", "No Process logon id specified\n");
    if (d->password[0] == 0) PRINT('w', "ppc0910", "No Process password specified\n");
  }
  if (strcmp(d->distrib_name, "evaluator") == 0) anchors.have_evaluator = 1;
  if (d->interval == 0) {
    PRINT('e', "ppc0915", "No Process interval specified\n");
    bad = true;
  }
  if (bad) return outcome::fatal;
  if (d->type == 2 && d->server_id[0] == 0) {
    PRINT('e', "ppc0920", "Server_id required for sql*net\n");
    return outcome::fatal;
  }
  distributor** tail = &anchors.distrib_anchor;
  while (*tail) tail = &(*tail)->next;
  *tail = d;
  return outcome::next;
}

outcome proc_parser::open_block() {
  distributor* d = process_arena().make<distributor>();
  d->classes[0] = 1;
  d->state = 1;
  open = d;
  int n = get_word(reader.this_start, reader.statement_end);
  if (n < 0) return outcome::fatal;
  if (n == 0) {
    PRINT('e', "ppc0940", "No Process name supplied\n");
    return outcome::statement;
  }
  reader.this_start += n;
  if (reader.parse_word.len > 24) {
    PRINT('e', "ppc0945", "Process name exceeeds 24 characters\n");
    return outcome::statement;
  }
  std::string name = word_text();
  for (distributor* p = anchors.distrib_anchor; p; p = p->next) {
    if (name == p->distrib_name) {
      PRINT('e', "ppc0950", "Duplicate process name: %s\n", name.c_str());
      return outcome::abandon;
    }
  }
  memcpy(d->distrib_name, name.data(), name.size());
  return outcome::next;
}

outcome proc_parser::window(int code, distributor* d) {
  static constexpr window_ids kIds = {
      {"ppc1065", "ppc1075", "ppc1045", "ppc1055", "ppc1025", "ppc1035"},
      {"ppc1060", "ppc1040", "ppc1020"}};
  int day = 0;
  int32_t start = 0, end = 0;
  switch (take_window(windows, code - pk_saturday_start, reader.parse_word.len, word_value(), kIds,
                      &day, &start, &end)) {
    case window_step::refused:
      return outcome::statement;
    case window_step::held:
      return outcome::next;
    case window_step::closed:
      break;
  }
  operate** list = day == 0 ? &d->saturday : day == 1 ? &d->sunday : &d->mon_fri;
  // Windows are stored in the process's own time: shifted by the offset known now.
  set_operate(list, start - d->time_offset, end - d->time_offset, process_arena());
  return outcome::next;
}

outcome proc_parser::holiday(distributor* d) {
  const char* s = reader.parse_word.str;
  if (reader.statement_end - s < 10 || s[4] != '/' || s[7] != '/') {
    PRINT('e', "ppc0970", "Invalid holiday date format (YYYY/MM/DD) \n");
    return outcome::statement;
  }
  if (reader.parse_word.len != 4) {
    PRINT('e', "ppc0975", "Invalid holiday date length (10)\n");
    return outcome::statement;
  }
  // The tokeniser stopped at the first slash; "/MM/DD" is consumed here.
  reader.this_start = const_cast<char*>(s) + 10;
  char date[9] = {s[0], s[1], s[2], s[3], s[5], s[6], s[8], s[9], 0};
  int32_t day = ctl_day_of(date);
  if (day < today) {
    PRINT('w', "ppc0980", "Comment: Holiday is in the past\n");
    return outcome::next;
  }
  for (int32_t& slot : d->holidays) {
    if (slot == 0) {
      slot = day;
      return outcome::next;
    }
  }
  PRINT('e', "ppc0985", "Exceeded 50 holidays\n");
  return outcome::statement;
}

// The logon settings: one word each, given once, of limited length.
struct text_setting {
  int code;
  char* (*field)(distributor* d);
  int max_len;
  ctl_message duplicate, too_long;
  bool pad8;  // a shorter value is padded with blanks to 8 characters
};
const text_setting kTextSettings[] = {
    {pk_logon_id,
     [](distributor* d) { return d->logon_id; },
     33,
     {"ppc1115", "Duplicate logon_id specification\n"},
     {"ppc1120", "Excessive length for logon_id\n"},
     false},
    {pk_password,
     [](distributor* d) { return d->password; },
     100,
     {"ppc1105", "Duplicate password specification\n"},
     {"ppc1110", "Excessive length for password\n"},
     false},
    {pk_server_id,
     [](distributor* d) { return d->server_id; },
     33,
     {"ppc1095", "Duplicate server_id specification\n"},
     {"ppc1100", "Excessive length for server_id\n"},
     true},
};

outcome text_value(const text_setting& s, distributor* d) {
  const word_info& w = reader.parse_word;
  char* field = s.field(d);
  if (field[0]) {
    PRINT('e', s.duplicate.id, "%s", s.duplicate.text);
    return outcome::statement;
  }
  if (w.len > s.max_len) {
    PRINT('e', s.too_long.id, "%s", s.too_long.text);
    return outcome::statement;
  }
  if (s.pad8 && w.len < 8) memset(field, ' ', 8);
  memcpy(field, w.str, w.len);
  field[w.len] = 0;
  return outcome::next;
}

// The process type: local, sql*net, dial or ctlib, exactly or in upper case.
outcome type_value(distributor* d) {
  const word_info& w = reader.parse_word;
  if (d->type != 0) {
    PRINT('e', "ppc0995", "Duplicate type specification\n");
    return outcome::statement;
  }
  static const char* const names[] = {"local", "sql*net", "dial", "ctlib",
                                      "LOCAL", "SQL*NET", "DIAL", "CTLIB"};
  for (int i = 0; i < 8; ++i) {
    size_t n = strlen(names[i]);
    if (static_cast<size_t>(reader.statement_end - w.str) >= n && memcmp(w.str, names[i], n) == 0) {
      d->type = static_cast<int16_t>(i % 4 + 1);
      // "sql*net" is three words to the tokeniser, and a longer word that
      // begins with a type name is that type: consume up to the next blank.
      char* e = w.str + n;
      while (e < reader.statement_end && *e != ' ') ++e;
      reader.this_start = e;
      return outcome::next;
    }
  }
  std::string t = word_text();
  PRINT('e', "ppc1000", "Unrecognized type:%*s\n", w.len, t.c_str());
  return outcome::statement;
}

// The time offset HHMM, at most 2400 either way, into seconds.
outcome time_offset_value(distributor* d) {
  if (d->time_offset != 0) {
    PRINT('e', "ppc0990", "Duplicate time_offset\n");
    return outcome::statement;
  }
  int32_t n = word_value(true);
  int32_t a = n < 0 ? -n : n;
  // An offset beyond a day means a mistyped value, not a time zone.
  if (a > 2400) {
    std::string t = word_text();
    PRINT('e', "ppc0991", "Invalid time_offset %s (at most 2400 either way)\n", t.c_str());
    return outcome::statement;
  }
  int32_t secs = a / 100 * 3600 + a % 100 * 60;
  d->time_offset = n < 0 ? -secs : secs;
  return outcome::next;
}

outcome proc_parser::value(int code, distributor* d) {
  const word_info& w = reader.parse_word;
  for (const text_setting& s : kTextSettings)
    if (s.code == code) return text_value(s, d);
  switch (code) {
    case pk_type:
      return type_value(d);
    case pk_interval:
      if (d->interval != 0) {
        PRINT('e', "ppc1080", "Duplicate interval\n");
        return outcome::statement;
      }
      if (w.len > 4) {
        PRINT('e', "ppc1085", "Invalid interval length (5)\n");
        return outcome::statement;
      }
      d->interval = word_value();
      return outcome::next;
    case pk_time_offset:
      return time_offset_value(d);
    case pk_sleep:
      if (w.len > 4) {
        PRINT('e', "ppc1090", "Invalid sleep length (5)\n");
        return outcome::statement;
      }
      anchors.sleep_time = word_value();
      return outcome::next;
    case pk_hold:
      if (!yes_no(&d->hold)) {
        PRINT('e', "ppc1155", "Hold is not YES/NO\n");
        return outcome::statement;
      }
      return outcome::next;
    case pk_continuous:
      if (strcmp(d->distrib_name, "collector") != 0) {
        PRINT('e', "ppc1160", "Continuous is valid only at the collector\n");
        return outcome::statement;
      }
      if (!yes_no(&d->continuous)) {
        PRINT('e', "ppc1165", "Continuous is not YES/NO\n");
        return outcome::statement;
      }
      return outcome::next;
    case pk_class: {
      int32_t n = word_value(true);
      // A negative class cannot be recorded either; it is refused as out of range.
      if (n > 50 || n < 0) {
        PRINT('e', "ppc1010", "Class exceeds range\n");
        return outcome::statement;
      }
      if (d->classes[n]) PRINT('w', "ppc1015", "Warning - Class repeditively specified\n");
      d->classes[n] = 1;
      return outcome::next;
    }
    case pk_send_false:
      if (strcmp(d->distrib_name, "evaluator") != 0) {
        PRINT('e', "ppc1170", "Send_false is valid only for the evaluator\n");
        return outcome::statement;
      }
      if (w.str[0] == 'Y' || w.str[0] == 'N') {
        d->send_false = w.str[0] == 'Y';
        return outcome::next;
      }
      PRINT('e', "ppc1175", "Send_false is not YES/NO\n");
      return outcome::statement;
    case pk_machine_id:
      if (w.len > 64) {
        PRINT('e', "ppc1125", "Excessive length for Machine_id\n");
        return outcome::statement;
      }
      memset(machine_id, ' ', 64);
      memcpy(machine_id, w.str, w.len);
      return outcome::next;
    case pk_holiday:
      return holiday(d);
    default:
      return window(code, d);
  }
}

outcome proc_parser::statement(int code) {
  if (code == pk_process || code == pk_end) {
    if (open) {
      outcome o = close_block();
      if (o != outcome::next) return o;
    }
    if (code == pk_end) {
      ended = true;
      return outcome::next;
    }
    return open_block();
  }
  if (errors) return outcome::next;
  int n;
  while ((n = get_word(reader.this_start, reader.statement_end)) > 0) {
    reader.this_start += n;
    outcome o = value(code, open);
    if (o != outcome::next) return o;
  }
  return n < 0 ? outcome::fatal : outcome::next;
}

int proc_parser::finished() {
  for (distributor* d = anchors.distrib_anchor; d; d = d->next) {
    if (strcmp(d->distrib_name, "collector") == 0) {
      anchors.collector_at = d;
      if (d->time_offset != 0) PRINT('w', "ppc1210", "Caution! - collector has a time offset\n");
    }
    if (!d->saturday) d->saturday = &full_day;
    if (!d->sunday) d->sunday = &full_day;
    if (!d->mon_fri) d->mon_fri = &full_day;
  }
  if (!anchors.collector_at) {
    PRINT('e', "ppc1230", "Must have a process named 'collector'\n");
    return 1;
  }
  return 0;
}

const ctl_file_messages kProcessFile = {
    .line_size = 500,
    .start_banner = {{"ppc0740", dashes},
                     {"ppc0745", "-- Starting parse of PROCESS.CTL -- Time = %s\n"},
                     {"ppc0750", dashes}},
    .end_banner = {{"ppc1190", dashes},
                   {"ppc1205", "--  Process Parsing ended at %s\n"},
                   {"ppc1200", dashes}},
    .first_word = "process",
    .first_other = {"ppc0890", "First word must be 'process'\n"},
    .read_failed = {"ppc0775", "Parsing failed : %s\n"},
    .unknown = {"ppc0780", "Unknown keyword (%s)\n"},
    .statement_failed = {"ppc0955", "Parsing failed : %s\n"},
    .unbalanced = {"ppc1180", "Parentheses do not balance\n"},
    .missing_end = {"ppc1185", "Missing end statement\n"},
    .ended_with_errors = {"ppc1210", "Parsing ended with errors\n\n"},
};

int parse(FILE* in) {
  proc_parser p;
  p.today = ctl_now_secs() / 86400;
  return run_parse_loop(in, kProcessFile, p);
}

}  // namespace

int parse_distributor() {
  if (!print_stream()) init_PRINT();
  del_distributor();
  unique_file in = u_openInputFile("proc");
  if (!in) return 1;
  return parse_process_stream(in.get());
}

int parse_process_stream(FILE* in) {
  if (parse(in) != 0) return 1;
  int32_t now = ctl_now_secs();
  for (distributor* d = anchors.distrib_anchor; d; d = d->next) set_window(d, now);
  if (tracing.trace_all) show_processes();
  return 0;
}

void del_distributor() {
  anchors.distrib_anchor = nullptr;
  anchors.collector_at = nullptr;
  anchors.have_evaluator = 0;
  process_arena().clear();
}

int init_dist() {
  if (parse_distributor() == 0) return 0;
  del_distributor();
  return 1;
}
