// Script fetch exits at run time: the command from the cursor's script text,
// the program's lines as messages or data, and one merged row per data line
// read word by word into the result descriptor.
#include "exits/script_run.h"

#include <cstring>
#include <string>
#include <vector>

#include "ctl/curs.h"
#include "ctl/reader.h"
#include "ctl/script_exit.h"
#include "exits/fetch_exits.h"
#include "rows/host_merge.h"
#include "rows/row_chain.h"
#include "rows/row_dump.h"
#include "rows/select_desc.h"
#include "util/print.h"
#include "util/trace.h"

namespace {

constexpr int kInternal = 9;

internal_driver registered_driver = nullptr;

void set_sqlcode(curs* cur, int code) {
  cur->last_sqlcode = code;
  snprintf(cur->last_sqlcode_text, sizeof cur->last_sqlcode_text, "%16d", code);
}

// Reads the words of `line` into the descriptor's columns; returns the count.
int read_words(curs* cur, xda_ptr* x, std::string line, bool numeric_check) {
  for (int i = 0; i < x->count; ++i) *x->indicators[static_cast<size_t>(i)] = -1;
  line += '\0';
  char* p = line.data();
  char* end = p + strlen(p);
  int n = 0;
  while (n < x->count) {
    int used = numeric_check ? get_word(p, end) : simple_get_word(p, end);
    if (used <= 0) break;
    p += used;
    const word_info& w = reader.parse_word;
    const char* s = w.str;
    int len = w.len;
    if (len >= 2 && (s[0] == '\'' || s[0] == '"') && s[len - 1] == s[0]) {
      ++s;
      len -= 2;
    }
    size_t k = static_cast<size_t>(n);
    int cap = x->lengths[k];
    if (len > cap) len = cap;
    char* place = x->values[k];
    memset(place, ' ', static_cast<size_t>(cap));
    if (x->types[k] == 2) {
      if (numeric_check && strspn(s, "+-.0123456789") < static_cast<size_t>(len))
        PRINT('w', "ccc4030", "Placing non-number into number for %s -> %s\n", cur->cur_name,
              x->names[k]);
      memcpy(place + cap - len, s, static_cast<size_t>(len));
    } else {
      memcpy(place, s, static_cast<size_t>(len));
    }
    *x->indicators[k] = 1;
    ++n;
  }
  return n;
}

}  // namespace

void set_internal_driver(internal_driver driver) { registered_driver = driver; }

r_exec_chain* exec_internal(const char* program, const char* parms) {
  std::string p = parms ? parms : "";
  while (!p.empty() && p.back() == ' ') p.pop_back();
  return registered_driver ? registered_driver(program, p.c_str()) : nullptr;
}

int parse_script_text(curs* cur, const char* run_time, int exit_number) {
  xda_ptr* x = script_xda(cur);
  int skip = cur->start_after;
  int stop = cur->stop_after;
  set_sqlcode(cur, 0);
  if (!x) {
    set_sqlcode(cur, -1);
    return 0;
  }
  std::string program, parms;
  if (formatCommand(cur, program, parms, "ccc") != 0) {
    set_sqlcode(cur, -1);
    return 1;
  }
  if (cur->trace)
    PRINT('t', "ccc4024", "Call Exit %s, Parms %.200s.\n", program.c_str(), parms.c_str());
  r_exec_chain* lines = exit_number == kInternal ? exec_internal(program.c_str(), parms.c_str())
                                                 : u_exec(program.c_str(), parms.c_str());
  if (!lines) {
    set_sqlcode(cur, -1);
    return 0;
  }
  int fetched = 0;
  int rc = 0;
  for (const r_exec_chain* e = lines; e; e = e->next) {
    std::string line = e->line;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    if (cur->trace) PRINT('t', "ccc4026", "Exit returned:\"%.200s\"\n", line.c_str());
    if (line.compare(0, 2, "->") == 0) {
      line.erase(0, 2);
    } else if (line.size() > 9 && line[0] >= 'A' && line[0] <= 'Z' && line[1] >= 'A' &&
               line[1] <= 'Z' && line[2] >= 'A' && line[2] <= 'Z' &&
               strspn(line.c_str() + 3, "0123456789") >= 4 && strchr("EWIT", line[7]) &&
               line[8] == ' ') {
      PRINT(static_cast<char>(line[7] - 'A' + 'a'), nullptr, "%s\n", line.c_str());
      continue;
    }
    if (skip > 0) {
      --skip;
      continue;
    }
    ++fetched;
    read_words(cur, x, line, exit_number == 1);
    if (merge_xda_row(cur, run_time) == 0) {
      PRINT('w', "ccc4035", "Time = %s For cursor %s, merge failed after = %d rows\n", run_time,
            cur->cur_name, fetched);
      PRINT('w', "ccc4040", "Holding cursor\n");
      cur->hold = 'Y';
      set_sqlcode(cur, -1);
      rc = 1;
      break;
    }
    if ((cur->trace && cur->show_row) || trace_on(7))
      proded(cur->last_row->row_no, cur->last_row->text(), cur->length);
    if (stop > 0 && --stop == 0) break;
  }
  u_free_r_chain(lines);
  if (rc) return rc;
  if (cur->dummy_last_row || (cur->conditional_dummy_last_row && fetched == 0))
    setup_exit_dummy(cur);
  set_sqlcode(cur, 100);
  return 0;
}
