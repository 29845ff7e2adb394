// The TRACE.CTL parser and the trace reset requested by the probe.
#include "ctl/trace_file.h"

#include <cstring>
#include <string>

#include "ctl/anchors.h"
#include "ctl/ctl_file.h"
#include "ctl/ctl_time.h"
#include "ctl/curs.h"
#include "ctl/cursor_versions.h"
#include "ctl/keywords.h"
#include "ctl/parse_loop.h"
#include "ctl/reader.h"
#include "util/print.h"
#include "util/trace.h"

namespace {

constexpr const char* dashes = "--------------------------------------------------------------\n";

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
    for_each_version(c, [code](curs* v) { *flag_of(v, code) = 1; });
    tracing.trace_something = 1;
  }
  return n == 0;
}

const ctl_file_messages kTraceFile = {
    .line_size = 256,
    .start_banner = {{"ptc4615", dashes},
                     {"ptc4620", "-- Starting parse of TRACE.CTL --- Time = %s\n"},
                     {"ptc4625", dashes}},
    .end_banner = {{"ptc4725", dashes},
                   {"ptc4740", "--  Trace Control Parsing ended at %s\n"},
                   {"ptc4735", dashes}},
    .first_word = nullptr,
    .read_failed = {"ptc4630", "Parsing failed : %s\n"},
    .unknown = {"ptc4640", "Unknown keyword (%s)\n"},
    .statement_failed = {"ptc4630", "Parsing failed : %s\n"},
    .ended_with_errors = {"ptc4755", "Trace Parsing ended with errors\n"},
};

class trace_statements final : public ctl_statements {
 public:
  int keyword(const char* word, int len) override { return test_trace_word(word, len); }
  ctl_outcome statement(int code) override {
    if (code == 7) {
      ended = true;
    } else if (code == 4) {
      for (curs* c = anchors.cur_anchor; c; c = c->next)
        for_each_version(c, [](curs* v) { v->trace = v->show_cursor = v->show_row = 1; });
      tracing.trace_all = 1;
      tracing.trace_something = 1;
    } else if (!name_list(code, &errors)) {
      return ctl_outcome::fatal;
    }
    return ctl_outcome::next;
  }
  int finished() override {
    PRINT('i', "ptc4760", "Trace Parsing ended ok\n");
    return 0;
  }
};

int parse(FILE* in) {
  trace_statements s;
  return run_parse_loop(in, kTraceFile, s);
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
    for_each_version(c, [](curs* v) { v->trace = v->traced = v->tracem = 0; });
  }
  tracing.trace_all = 0;
  tracing.trace_something = 0;
  // A missing or faulty file leaves the flags cleared; it has reported.
  (void)parse_trace();
  anchors.reset_trace = 0;
}
