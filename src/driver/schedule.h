// The scheduling loop: each pass runs the due processes of PROCESS.CTL (the
// collector's interval cursors, the probe services and the others), then
// sleeps until the next one is due. The loop ends the process.
#pragma once

#include <cstdint>

struct distributor;

// The scheduler's process-wide state.
struct scheduler_state {
  char last_version_update_time[15] = {};  // time text of the last version tuning
  int requests_served = 0;                 // a probe request was served in this pass
};

extern scheduler_state sched;

// The scheduling loop; ends the process through quitting.
void schedule();

// One pass of the loop at the current time. Returns false when the loop is to
// be left: a stop was requested, or COLLECT.CTL's go_home time has come.
bool schedule_pass();

// Leaves the loop: commits and releases the session, terminates the transport,
// prints "cgn1524" and ends the process through quitting(0).
void leave_schedule();

// Runs the collector process's due interval cursors. Returns the sum of the
// failure codes of the cursors run, or 1 when a stop was requested.
int collect();

// Seconds to sleep at relative seconds `now`: 0 when a process is due, else
// the time until the first one is (or until the go_home time), at most
// sleep_time. A process that cannot
// run (held, inactive, or before its window) counts with the time it could
// run at, so that waiting for a window costs no passes.
int32_t sleep_length(int32_t now);

// The request loop of the "pxa" process `d`: serves requests until a stop is
// requested or the collector's next collection is due, waiting for each
// request on the open transport (or sleeping while none is open).
void probe_request_loop(distributor* d);

// Acts on a re-initialisation request: replaces the process with a new run of
// the same program and arguments when the program file is present; otherwise
// waits 5 seconds and returns.
void restart_collector();

// True when `program` names an executable file: a path containing "/" is
// tested as it is, a bare name is looked up in PATH as execvp would.
bool program_present(const char* program);

// Clears the scheduler's state (tests start from here).
void reset_scheduler_state();
