// The steps that start-up, the scheduler and the stop paths call in other
// subsystems. Each is implemented by its subsystem; steps not built yet have
// stand-ins in steps_pending.cpp (which fail loudly) or steps_later.cpp (which
// do nothing).
#pragma once

// The database session steps (commit_collect, database_connected,
// database_reset_state) are declared with the session.
#include "rows/database.h"

// Control files: 0 on success, 1 on failure.
int init_dist();    // PROCESS.CTL
int parse_dict();   // DICT.CTL
int parse_curs();   // COLLECT.CTL
int parse_trace();  // TRACE.CTL
int parse_eval();   // the eval file
void del_curs();
void del_distributor();

// Start-up edits run by init_cursors, in this order: 0 on success, 1 after
// reporting the problems found.
int create_percent_cursor();
int init_virtuals();
int edit_age_to();
int define_vers_chain();
int edit_decode();
int edit_pre_cursors();
int edit_in_lists();
int edit_bases();
int edit_math();
int edit_col_exits();
int edit_iterates();
int edit_iterate_where();
int parse_loads();
int edit_loads();
int set_qualifieds();

// The scheduling loop; ends the process through quitting.
void schedule();

// Transport to the probe: "shut" (tear down everything) and "term" (close the
// collector's end). 0 on success.
int transport_shut();
int transport_term();

// The services the scheduler runs for its processes.
struct distributor;
// Selects every cursor's version for the time text; 0, or 1 on failure.
int tune_up_cursor_versions(const char* time_text);
// The history writer ("historian"): 0, or 1 when a history file cannot be opened.
int do_history(const char* time_text);
// The evaluator ("evaluator"): 0, or the failure of its last predicate-row build.
int do_evaluator(const char* time_text, distributor* d);
// The request service ("pxa"): 0 when requests were served, 100 when none was
// waiting, -1 when serving failed.
int do_pxa();
