// The services of processes without probe requests: "npxa", which writes the
// rows of the cursors it serves to the print file, and the distribution
// processes, which only record the call.
#pragma once

struct curs;
struct distributor;

// The state of the row printing.
struct npxa_state {
  const curs* last_curs = nullptr;  // cursor whose rows send_a_row printed last
};

extern npxa_state npxa;

// For every cursor of a class P serves whose window is open at time text
// `time_text` and that is not held (virtual cursors and age-to copies, which
// have no rows of their own, excepted): prints "cir1650", opens a cluster and
// prints each record. Returns 0, or the result of closing the last cluster.
int do_npxa(distributor* p, const char* time_text);

// Prints one formatted record of `cur`: the cursor's table name when the cursor
// changed since the last call ("cpr1890"), then one "cpr1895" line per column.
// Returns 0.
int send_a_row(curs* cur, const char* record);

// Records a distribution call for process `d` ("cir1625"). Returns 0.
int distribute(distributor* d, const char* time_text);

// Hands the evaluator the probe services it reads and sends through
// (open_cursor, send_a_row); start-up calls this once.
void register_probe_row_steps();

// Forgets the last printed cursor (tests start from here).
void reset_npxa_state();
