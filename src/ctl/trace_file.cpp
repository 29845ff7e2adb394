// The TRACE.CTL parser and the trace reset requested by the probe.
#include "ctl/trace_file.h"

#include <cstring>
#include <string>

#include "ctl/anchors.h"
#include "ctl/ctl_file.h"
#include "ctl/ctl_time.h"
#include "ctl/curs.h"
#include "ctl/keywords.h"
#include "ctl/reader.h"
#include "util/print.h"
#include "util/trace.h"

namespace {

constexpr const char* dashes = "--------------------------------------------------------------\n";

// Applies `set` to a cursor and every version of it.
template <class F>
void each_version(curs* c, F set) {
  set(c);
  for (curs* v = c->vers_list; v && v != c; v = v->vers_list) set(v);
}

int16_t* flag_of(curs* c, int code) {
  switch (code) {
    case 1:
      return &c->trace;
    case 2:
      return &c->tracem;
    case 3:
      return &c->traced;
    case 5:
      return &c->show_row;
    default:
      return &c->show_cursor;
  }
}

// Reports a name over nine characters; returns true when it is too long.
bool too_long(int code, const std::string& name) {
  if (name.size() <= 9) return false;
  switch (code) {
    case 1:
      PRINT('e', "ptc4645", "Trace cursor name too long : %s\n", name.c_str());
      break;
    case 2:
      PRINT('e', "ptc4670", "Tracem cursor name too long : %s\n", name.c_str());
      break;
    case 3:
      PRINT('e', "ptc4685", "Traced cursor name too long : %s\n", name.c_str());
      break;
    case 5:
      PRINT('e', "ptc4700", "Show_row cursor name too long : %s\n", name.c_str());
      break;
    default:
      PRINT('e', "ptc4710", "Show_cursor cursor name too long : %s\n", name.c_str());
      break;
  }
  return true;
}

void not_found(int code, const std::string& name) {
  switch (code) {
    case 1:
      PRINT('e', "ptc4655", "Cursor to trace (%s) not found\n", name.c_str());
      break;
    case 2:
      PRINT('e', "ptc4680", "Cursor on which to trace math (%s) not found\n", name.c_str());
      break;
    case 3:
      PRINT('e', "ptc4695", "Cursor on which to trace decodes (%s) not found\n", name.c_str());
      break;
    case 5:
      PRINT('e', "ptc4705", "Cursor on which to show_row (%s) not found\n", name.c_str());
      break;
    default:
      PRINT('e', "ptc4715", "Cursor on which to show_row (%s) not found\n", name.c_str());
      break;
  }
}

// Sets the keyword's flag on every cursor named in the rest of the statement.
// Returns false when a tokeniser error ended it.
bool name_list(int code, bool* errors) {
  int n;
  while ((n = get_word(reader.this_start, reader.statement_end)) > 0) {
    reader.this_start += n;
    const word_info& w = reader.parse_word;
    if (w.flags & wf_comma) continue;
    std::string name(w.str, w.len);
    if (too_long(code, name)) {
      *errors = true;
      return true;
    }
    curs* c = anchors.cur_anchor;
    while (c && name != c->cur_name) c = c->next;
    if (!c) {
      not_found(code, name);
      *errors = true;
      continue;
    }
    each_version(c, [code](curs* v) { *flag_of(v, code) = 1; });
    tracing.trace_something = 1;
  }
  return n == 0;
}

int parse(FILE* in) {
  char now[20];
  ctl_banner_time(now);
  PRINT('i', "ptc4615", "%s", dashes);
  PRINT('i', "ptc4620", "-- Starting parse of TRACE.CTL --- Time = %s\n", now);
  PRINT('i', "ptc4625", "%s", dashes);
  bool errors = false;
  statement_source src(in, 256);
  int rc;
  while ((rc = src.next()) != 0) {
    int n = rc < 0 ? -1 : get_word(reader.this_start, reader.statement_end);
    if (n < 0) {
      PRINT('e', "ptc4630", "Parsing failed : %s\n", reader.message);
      errors = true;
      break;
    }
    if (n == 0) continue;
    reader.this_start += n;
    const word_info& w = reader.parse_word;
    int code = test_trace_word(w.str, w.len);
    if (code == 0) {
      std::string word(w.str, w.len);
      PRINT('e', "ptc4640", "Unknown keyword (%s)\n", word.c_str());
      errors = true;
      break;
    }
    if (code == 7) break;
    if (code == 4) {
      for (curs* c = anchors.cur_anchor; c; c = c->next) {
        each_version(c, [](curs* v) { v->trace = v->show_cursor = v->show_row = 1; });
      }
      tracing.trace_all = 1;
      tracing.trace_something = 1;
      continue;
    }
    if (!name_list(code, &errors)) {
      PRINT('e', "ptc4630", "Parsing failed : %s\n", reader.message);
      errors = true;
      break;
    }
  }
  char end_time[20];
  ctl_banner_time(end_time);
  PRINT('i', "ptc4725", "%s", dashes);
  PRINT('i', "ptc4740", "--  Trace Control Parsing ended at %s\n", end_time);
  PRINT('i', "ptc4735", "%s", dashes);
  if (errors) {
    PRINT('e', "ptc4755", "Trace Parsing ended with errors\n");
    return 1;
  }
  PRINT('i', "ptc4760", "Trace Parsing ended ok\n");
  return 0;
}

}  // namespace

int parse_trace_stream(FILE* in) { return parse(in); }

int parse_trace() {
  if (!print_stream()) init_PRINT();
  unique_file in = u_openInputFile("trac");
  if (!in) return 0;
  return parse_trace_stream(in.get());
}

void reset_tracing() {
  for (curs* c = anchors.cur_anchor; c; c = c->next) {
    each_version(c, [](curs* v) { v->trace = v->traced = v->tracem = 0; });
  }
  tracing.trace_all = 0;
  tracing.trace_something = 0;
  parse_trace();
  anchors.reset_trace = 0;
}
