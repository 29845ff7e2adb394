// One cursor run: retention, the connection check, pre-cursors, iteration over
// another cursor's rows and the follow-up cursors that decode actions queue.
// The SQL work of a run is the session's prep_l_fetch.
#pragma once

#include <cstdint>

#include "derive/run_list.h"

struct curs;
struct text_row;

// Runs Q once at relative seconds `now`. A virtual cursor is only marked as
// having new data. On failure Q's stale_at is cleared and the collector
// process is marked "FAIL" (or "CNCT" when the logon failed). Returns 0 or 1.
int get_cursor_data(int32_t now, curs* q);

// Runs Q's pre-cursors (each followed by its follow-up cursors), Q itself and
// Q's follow-up cursors, with the run time text `run_time`. Returns 0 or the
// code of the first run that failed.
int pre_prep_l_fetch(curs* q, const char* run_time);

// Runs Q alone: nothing for a held cursor (its rows stay); otherwise retention,
// the logon when needed, then one fetch or an iteration over the rows of Q's
// iterate source. Returns 0 or an error code (1 after a failed logon).
int run_cursor(curs* q, const char* run_time);

// Counts failed logons of cursor runs: a caller compares it before and after
// its runs to tell "CNCT" from "FAIL".
struct run_counters {
  int logon_failures = 0;  // logons that failed since the process started
};

extern run_counters run_stats;

// Frees the run lists of every cursor on the chain and clears the counters
// (tests start from here).
void reset_run_state();
