// The built-in computed cursors: a script exit with exit number 9 names a
// procedure of the table below, which derives its lines from the rows other
// cursors collected through the internal select. Each distinct parameter
// text keeps its own term table and prepared parts between runs.
#include <cstring>
#include <new>
#include <string>

#include "exits/child_exec.h"
#include "exits/script_run.h"
#include "expr/select.h"
#include "util/print.h"

namespace {

// What one procedure keeps for one parameter text.
struct comp_run {
  comp_run* next = nullptr;
  std::string parms;             // the parameter text
  TERM_TABLE* anchor = nullptr;  // its term table between runs
  lex_block list;                // the prepared select list
  lex_block where;               // the prepared where clause
};

using comp_proc = int (*)(comp_run* run, r_exec_chain** lines);

struct comp_entry {
  const char* name;
  comp_proc proc;
  comp_run* runs;  // plain pointers: nothing is torn down before the process ends
};

// SELECT cursor|select list[|where clause]: one line per group of the
// cursor's current sample, the group's values separated by blanks.
int select_proc(comp_run* run, r_exec_chain** lines) {
  const std::string& p = run->parms;
  size_t bar = p.find('|');
  if (bar == std::string::npos) {
    PRINT('e', "CMP020", "Parameters of SELECT are cursor|select list[|where], not %s\n",
          p.c_str());
    return 1;
  }
  size_t bar2 = p.find('|', bar + 1);
  std::string cursor = trim_blanks(p.substr(0, bar).c_str());
  std::string list =
      p.substr(bar + 1, bar2 == std::string::npos ? std::string::npos : bar2 - bar - 1);
  std::string where = bar2 == std::string::npos ? "" : p.substr(bar2 + 1);
  bool filtered = !trim_blanks(where.c_str()).empty();
  r_exec_chain* got = nullptr;
  int rc = perform_select(&run->list, list.c_str(), cursor.c_str(), &got, TARGET_ROW, &run->where,
                          filtered ? where.c_str() : nullptr);
  if (rc != 0) {
    u_free_r_chain(got);
    return rc;
  }
  // Marked as data, whatever the values look like.
  for (r_exec_chain* e = got; e; e = e->next) {
    e->line.insert(0, "->");
    e->len += 2;
  }
  *lines = got;
  return 0;
}

comp_entry comp_table[] = {
    {"SELECT", select_proc, nullptr},
};

comp_run* run_for(comp_entry& entry, const char* parms) {
  for (comp_run* r = entry.runs; r; r = r->next)
    if (r->parms == parms) return r;
  comp_run* r = new (std::nothrow) comp_run;
  if (!r) return nullptr;
  r->parms = parms;
  r->next = entry.runs;
  entry.runs = r;
  return r;
}

}  // namespace

r_exec_chain* comp_curs_driver(const char* name, const char* parms) {
  comp_entry* entry = nullptr;
  for (comp_entry& e : comp_table)
    if (strcmp(e.name, name) == 0) entry = &e;
  if (!entry) {
    PRINT('e', "CMP010", "Can't find a proc for cursor %s\n", name);
    return nullptr;
  }
  comp_run* run = run_for(*entry, parms);
  if (!run) {
    PRINT('e', "SEL1000", "Can not acquire memory: quitting\n");
    expr_fatal(4);
  }
  r_exec_chain* lines = nullptr;
  start_exec_sql(run->anchor);
  if (entry->proc(run, &lines) != 0) {
    u_free_r_chain(lines);
    lines = nullptr;
  }
  end_exec_sql(&run->anchor);
  return lines;
}

void reset_computed_cursors() {
  for (comp_entry& e : comp_table) {
    while (comp_run* r = e.runs) {
      e.runs = r->next;
      free_lex_block(&r->list);
      free_lex_block(&r->where);
      delete r;  // its term table goes with the memory chain
    }
  }
}

void register_computed_cursors() { set_internal_driver(comp_curs_driver); }
