// The collector process's pass over the cursor chain: every cursor that is
// not held, not a demand cursor, of a class the collector serves, inside its
// window and due by its interval is run; the others are bypassed with a reason.
#include <cstdio>
#include <cstring>

#include "ctl/anchors.h"
#include "ctl/curs.h"
#include "ctl/distributor.h"
#include "ctl/windows.h"
#include "driver/cursor_run.h"
#include "driver/schedule.h"
#include "driver/stopping.h"
#include "rows/database.h"
#include "util/print.h"
#include "util/reltime.h"
#include "util/settings.h"
#include "util/timetext.h"
#include "util/trace.h"

namespace {

bool class_served(const distributor* d, int32_t cls) {
  return d && cls >= 0 && cls <= 50 && d->classes[cls] != 0;
}

// A held cursor stays held only while something holds it; a hold without a
// source (the hold keyword, a failed merge) lasts one pass.
bool hold_sourced(const curs* c) { return c->held_below || c->held_by_decode || c->held_other; }

void set_run_status(distributor* d, const char* status) {
  snprintf(d->run_status, sizeof d->run_status, "%s", status);
}

}  // namespace

int collect() {
  char run_text[15];
  get_time(run_text);
  const int32_t now = static_cast<int32_t>(relative_sec(run_text));
  distributor* coll = anchors.collector_at;
  const int failures_before = run_stats.logon_failures;
  int failures = 0;
  bool ran = false;

  for (curs* c = anchors.cur_anchor; c; c = c->next) {
    run_caught_signals();
    if (go_home) break;
    if (database_info.session_status == 2) {
      if (trace_on(5)) PRINT('t', "cgn1514", "Exiting collection loop because of reDoInit\n");
      break;
    }
    const bool show = trace_on(5) && c->trace;
    if (c->hold == 'Y') {
      if (show) PRINT('t', "cgn1515", "Bypassing cursor %s, why = held\n", c->cur_name);
      if (!hold_sourced(c)) c->hold = 'N';
      continue;
    }
    if (c->demand) {
      if (show) PRINT('t', "cgn1516", "Bypassing cursor %s, why = demand\n", c->cur_name);
      continue;
    }
    if (!class_served(coll, c->class_)) {
      if (show) PRINT('t', "cgn1517", "Bypassing cursor %s, why = class\n", c->cur_name);
      continue;
    }
    if (c->window_close <= now) set_window_c(c, now);
    if (c->window_open > now) {
      if (show) PRINT('t', "cgn1518", "Bypassing cursor %s, why = window\n", c->cur_name);
      continue;
    }
    if (now < c->next_time) {
      if (show) PRINT('t', "cgn1519", "Bypassing cursor %s, why = interval time\n", c->cur_name);
      continue;
    }
    c->next_time = now + c->interval;
    if (c->trace) {
      char when[u_time_buffer_size];
      PRINT('t', "cgn1520", "Interval collection at %s for %s\n", u_get_time(when, TIME_LONG),
            c->cur_name);
    }
    memcpy(c->last_time, run_text, sizeof c->last_time);
    ran = true;
    if (int rc = get_cursor_data(now, c)) {
      PRINT('e', "cgn1521", "Interval collection failed for cursor %s\n", c->cur_name);
      failures += rc;
    }
  }
  if (go_home) return 1;

  char end_text[15];
  get_time(end_text);
  if (failures) {
    commit_collect(0);
    if (coll) {
      memcpy(coll->last_run, end_text, sizeof coll->last_run);
      // A failed logon stays visible as the reason for the failure.
      set_run_status(coll, run_stats.logon_failures != failures_before ? "CNCT" : "FAIL");
    }
    return failures;
  }
  for (curs* c = anchors.cur_anchor; c; c = c->next)
    memcpy(c->last_time, run_text, sizeof c->last_time);
  // A collector that does not keep its session releases it after its work.
  if (ran) commit_collect(coll && coll->continuous == 'Y' ? 0 : 1);
  if (coll) {
    memcpy(coll->last_run, end_text, sizeof coll->last_run);
    set_run_status(coll, "GOOD");
  }
  return 0;
}
