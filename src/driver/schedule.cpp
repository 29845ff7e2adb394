// The scheduling loop: the passes over the process definitions, the sleep
// between passes, the probe request loop, re-initialisation by replacing the
// program, and leaving the loop.
#include "driver/schedule.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "comm/comm.h"
#include "ctl/anchors.h"
#include "ctl/cursor_versions.h"
#include "ctl/distributor.h"
#include "ctl/trace_file.h"
#include "ctl/windows.h"
#include "driver/npxa.h"
#include "driver/pxa_service.h"
#include "driver/rel_now.h"
#include "driver/stopping.h"
#include "platform/signal_box.h"
#include "rows/age_to_loads.h"
#include "rows/database.h"
#include "rows/evaluator.h"
#include "util/clock.h"
#include "util/command_line.h"
#include "util/print.h"
#include "util/reltime.h"
#include "util/settings.h"
#include "util/timetext.h"
#include "util/trace.h"

scheduler_state sched;

void reset_scheduler_state() { sched = scheduler_state{}; }

namespace {

using ul = unsigned long;

// Classes I and W are not flushed line by line: what the print file holds is
// written out before every sleep or wait, so a reader following the file sees
// each pass and a killed collector loses none of it.
void flush_print() {
  if (FILE* f = print_stream()) fflush(f);
}

// A process runs at most once a second: an interval of 0 would otherwise make
// every pass due at once and spin the loop.
int32_t interval_of(const distributor* d) { return d->interval > 0 ? d->interval : 1; }

// The longest sleep; a sleep_time of 0 would spin the loop as well.
int32_t sleep_cap() { return anchors.sleep_time > 0 ? anchors.sleep_time : 1; }

void set_run_status(distributor* d, const char* status) {
  snprintf(d->run_status, sizeof d->run_status, "%s", status);
}

// Records the outcome of a dispatched service in its process.
void record_run(distributor* d, const char* time_text, int rc) {
  snprintf(d->last_run, sizeof d->last_run, "%.14s", time_text);
  set_run_status(d, rc != 0 ? "FAIL" : "GOOD");
}

// Step 4 of a pass: the collector process.
void run_collector_process(distributor* coll, int32_t now, const char* now_text) {
  if (coll->window_end <= now) set_window(coll, now);
  if (coll->window_start > now || coll->next_time > now || !(coll->state & 1)) return;
  snprintf(sched.last_version_update_time, sizeof sched.last_version_update_time, "%s", now_text);
  tune_up_cursor_versions(now_text);
  if (collect() != 0) PRINT('e', "cgn1525", "One or more interval cursors failed\n");
  coll->next_time = now + interval_of(coll);
}

// The trace line of a process's scheduling state before and after its turn.
void trace_process(const distributor* d, int32_t now, const char* id, const char* lead) {
  timeval tv = current_clock().now();
  PRINT('t', id,
        "%sd_ptr->distrib_name = %s, d_ptr->state = %lu, d_ptr->window_start = %lu, "
        "d_ptr->window_end = %lu, d_ptr->next_time = %lu, start_time = %lu:time = %lu sec %lu "
        "microsec\n",
        lead, d->distrib_name, static_cast<ul>(d->state), static_cast<ul>(d->window_start),
        static_cast<ul>(d->window_end), static_cast<ul>(d->next_time), static_cast<ul>(now),
        static_cast<ul>(tv.tv_sec), static_cast<ul>(tv.tv_usec));
}

// Step 5 of a pass: one other process.
void run_process(distributor* d, int32_t now) {
  if (d->window_end <= now) set_window(d, now);
  if (trace_on(8)) trace_process(d, now, "cgn1527", "schedule - ");
  if (d->window_start > now || d->next_time > now || !(d->state & 1) || d->hold == 'Y') return;

  char t[15];
  get_time(t);
  const char* name = d->distrib_name;
  if (strcmp(name, "historian") == 0) {
    record_run(d, t, do_history(t));
  } else if (strcmp(name, "evaluator") == 0) {
    record_run(d, t, do_evaluator(t, d));
  } else if (strcmp(name, "npxa") == 0) {
    record_run(d, t, do_npxa(d, t));
  } else if (strcmp(name, "pxa") == 0) {
    probe_request_loop(d);
  } else if (d->time_offset != 0) {
    char moved[15];
    distribute(d, secs_to_date(moved, relative_sec(t) + d->time_offset));
  } else {
    distribute(d, t);
  }
  d->next_time = now + interval_of(d);

  if (trace_on(8)) {
    trace_process(d, now, "cgn1528", "schedule - d_ptr = distrib_anchor loop: ");
  }
}

// The time from which process `d` counts for the sleep at `now`. A process
// that can run counts with its next_time. One that cannot would otherwise make
// every pass end without sleeping: before its window it counts with the window's
// start, held or inactive one interval on.
int32_t counted_time(const distributor* d, int32_t now) {
  const bool held = d->hold == 'Y' && d != anchors.collector_at;
  if (held || !(d->state & 1)) return (d->next_time > now ? d->next_time : now) + interval_of(d);
  if (d->window_start > now && d->window_start > d->next_time) return d->window_start;
  return d->next_time;
}

// The environment's PATH, or the default search path of execvp.
std::string search_path() {
  const char* path = getenv("PATH");
  return path ? path : "/bin:/usr/bin";
}

}  // namespace

int32_t sleep_length(int32_t now) {
  int32_t sleep_now = sleep_cap();
  // Wake up in time for a go_home time.
  if (anchors.go_home_time > now && anchors.go_home_time - now < sleep_now)
    sleep_now = anchors.go_home_time - now;
  for (distributor* d = anchors.distrib_anchor; d; d = d->next) {
    if (trace_on(8)) {
      timeval tv = current_clock().now();
      PRINT('t', "cgn1530",
            "schedule - d_ptr->distrib_name = %s, d_ptr->state = %lu, d_ptr->window_start = %lu, "
            "d_ptr->window_end = %lu, d_ptr->next_time = %lu, start_time = %lu:time = %lu sec %lu "
            "microsec\n",
            d->distrib_name, static_cast<ul>(d->state), static_cast<ul>(d->window_start),
            static_cast<ul>(d->window_end), static_cast<ul>(d->next_time), static_cast<ul>(now),
            static_cast<ul>(tv.tv_sec), static_cast<ul>(tv.tv_usec));
    }
    const int32_t due = counted_time(d, now);
    if (due <= now) return 0;
    if (due - now < sleep_now) sleep_now = due - now;
    if (trace_on(8))
      PRINT('t', "cgn1531",
            "schedule - determine time to sleep - d_ptr->next_time = %lu, current_time = %lu, "
            "sleep_now = %lu\n",
            static_cast<ul>(due), static_cast<ul>(now), static_cast<ul>(sleep_now));
  }
  return sleep_now;
}

void probe_request_loop(distributor* d) {
  const distributor* coll = anchors.collector_at;
  for (;;) {
    run_caught_signals();
    // Waiting for a request never delays the next collection.
    const int32_t before = rel_now();
    comm_state.request_wait_cap = coll && coll->next_time > before ? coll->next_time - before : 0;
    // Shared memory waits for the request inside "get".
    flush_print();
    const int ret = do_pxa();
    comm_state.request_wait_cap = -1;
    if (trace_on(8)) PRINT('t', "cgn1533", "do_pxa returned. ret = %d (100 = NO_REQUEST)\n", ret);
    if (go_home) return;
    get_time(d->last_run);
    set_run_status(d, ret >= 0 ? "GOOD" : "FAIL");
    // After an answer the loop keeps serving until the collection is due: a
    // probe that asks again at once is answered at once, not a pass later.
    if (ret == 0) sched.requests_served = 1;
    const int32_t t = rel_now();
    const int32_t next = coll ? coll->next_time : t;
    if (t >= next) {
      if (trace_on(4)) PRINT('t', "ZMS0003", "Go to collect at %d, collection time: %d\n", t, next);
      return;
    }
    const int32_t s = next - t < sleep_cap() ? next - t : sleep_cap();
    if (trace_on(4))
      PRINT('t', "ZMS0001",
            "Go to sleep for %d sec at %d; %d sec remain(s) until next collection\n", s, t,
            next - t);
    // The wait ends early when a request arrives; without an open transport
    // there is nothing to wait on but the time.
    // A caught signal ends it too and is acted on at the top of the loop.
    flush_print();
    const int woke = comm_state.ipc_ptr ? comm_wait_request(comm_state.ipc_ptr, s) : -1;
    if (woke == 0 || signal_box_waiting()) continue;
    // A clock that stood still through a timed-out wait is a simulated one:
    // it moves only when slept on.
    if (woke < 0 || rel_now() < t + s) current_clock().sleep_for(static_cast<unsigned>(s));
    if (signal_box_waiting()) continue;
    const int32_t wake = t + s;
    if (trace_on(4))
      PRINT('t', "ZMS0002", "Get up time: %d, next collection time: %d\n", wake, next);
    if (wake == next) {
      if (trace_on(4)) PRINT('t', "ZMS0004", "Go to collect at %d, collection time: %d\n", t, next);
      return;
    }
  }
}

bool program_present(const char* program) {
  if (!program || !*program) return false;
  if (strchr(program, '/')) return access(program, X_OK) == 0;
  const std::string path = search_path();
  size_t from = 0;
  while (from <= path.size()) {
    size_t to = path.find(':', from);
    if (to == std::string::npos) to = path.size();
    // An empty PATH element means the working directory.
    std::string dir = to > from ? path.substr(from, to - from) : ".";
    if (access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    from = to + 1;
  }
  return false;
}

void restart_collector() {
  char when[u_time_buffer_size];
  PRINT('s', "cgn1522", "Restarting collector %s\n", u_get_time(when, TIME_LONG));
  database_info.session_status = 1;
  char** argv = command_line.given_argv;
  if (argv && argv[0] && program_present(argv[0])) {
    quitting(-1);
    fflush(nullptr);
    execvp(argv[0], argv);
    // The old program's state is gone; nothing sensible can follow.
    abort();
  }
  flush_print();
  current_clock().sleep_for(5);
}

bool schedule_pass() {
  const timeval start = current_clock().now();
  char now_text[15];
  get_time(now_text);
  const int32_t now = static_cast<int32_t>(relative_sec(now_text));
  if (trace_on(8))
    PRINT('t', "cgn1526", "schedule - top of while(TRUE) loop:time = %lu sec %lu microsec\n",
          static_cast<ul>(start.tv_sec), static_cast<ul>(start.tv_usec));
  run_caught_signals();
  // A go_home time from COLLECT.CTL is a stop requested in advance.
  if (anchors.go_home_time > 0 && now >= anchors.go_home_time) go_home = 1;
  if (go_home) return false;
  if (database_info.session_status == 2) {
    restart_collector();
    return true;
  }

  sched.requests_served = 0;
  database_new_pass();
  distributor* coll = anchors.collector_at;
  if (coll) run_collector_process(coll, now, now_text);
  for (distributor* d = anchors.distrib_anchor; d && !go_home; d = d->next)
    if (d != coll) run_process(d, now);

  if (trace_on(8)) {
    timeval tv = current_clock().now();
    PRINT('t', "cgn1529",
          "schedule - after d_ptr = distrib_anchor loop:time = %lu sec %lu microsec\n",
          static_cast<ul>(tv.tv_sec), static_cast<ul>(tv.tv_usec));
  }
  const int32_t c = rel_now();
  const int32_t s = sleep_length(c);
  if (s > 0) {
    if (trace_on(4))
      PRINT('t', "cgn1532", "Go to sleep for %d sec at %d until next collection\n", s, c);
    flush_print();
    current_clock().sleep_for(static_cast<unsigned>(s));
  }
  run_caught_signals();
  if (go_home) return true;

  if (database_info.connected && sched.requests_served)
    commit_collect(coll && coll->continuous == 'Y' ? 0 : 1);
  if (anchors.reset_trace) reset_tracing();
  for (distributor* d = anchors.distrib_anchor; d; d = d->next) {
    if (d->state & 2) d->state = static_cast<int16_t>((d->state & ~2) | 4);
  }
  return true;
}

void leave_schedule() {
  if (database_info.connected) commit_collect(-1);
  if (transport_term() != 0) PRINT('e', "cgn1523", "Error terminating PXA IPC environment\n");
  char when[u_time_buffer_size];
  PRINT('a', "cgn1524", "Quit request received. %s\n", u_get_time(when, TIME_LONG));
  quitting(0);
}

void schedule() {
  while (schedule_pass()) {
  }
  leave_schedule();
}
