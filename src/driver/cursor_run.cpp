// Cursor runs: get_cursor_data and the chain it drives (pre-cursors, the
// cursor, follow-up cursors), retention and the logon before the SQL work, and
// the iteration of a cursor over the rows of its iterate source.
#include "driver/cursor_run.h"

#include <cstdio>
#include <cstring>

#include "ctl/anchors.h"
#include "ctl/clause_records.h"
#include "ctl/curs.h"
#include "ctl/distributor.h"
#include "derive/derived_columns.h"
#include "driver/cursor_edits.h"
#include "driver/rel_now.h"
#include "platform/db_client.h"
#include "rows/age_to_loads.h"
#include "rows/database.h"
#include "rows/dyn_sql.h"
#include "rows/host_merge.h"
#include "rows/retention.h"
#include "rows/row_chain.h"
#include "util/print.h"
#include "util/reltime.h"

run_counters run_stats;

namespace {

void set_run_status(distributor* d, const char* status) {
  snprintf(d->run_status, sizeof d->run_status, "%s", status);
}

// The newest row of P numbered `row_no`, or null.
text_row* row_numbered(curs* p, int32_t row_no) {
  text_row* found = nullptr;
  for (text_row* r = p->first_row; r; r = r->next)
    if (r->row_no == row_no) found = r;
  return found;
}

// Puts `saved` back as P's current row. A run in between may have deleted it;
// then the newest row becomes current, as the row chain does after a deletion.
void restore_current(curs* p, text_row* saved) {
  for (text_row* r = p->first_row; r; r = r->next) {
    if (r == saved) {
      p->current_row = saved;
      return;
    }
  }
  p->current_row = saved ? p->last_row : nullptr;
}

// Detaches P's run_list and runs its entries in order, each with its row of P
// current. A failure releases the remaining entries; `broken` tells whether
// any remained. Returns 0 or the failing run's code.
int work_off_run_list(curs* p, const char* run_time, bool* broken) {
  *broken = false;
  run_list_entry* e = p->run_list;
  p->run_list = nullptr;
  while (e) {
    run_list_entry* next = e->next;
    int rc = 0;
    if (e->cursor) {
      text_row* saved = p->current_row;
      if (text_row* row = row_numbered(p, e->row_no)) p->current_row = row;
      rc = run_cursor(e->cursor, run_time);
      restore_current(p, saved);
    }
    delete e;
    e = next;
    if (rc != 0) {
      *broken = e != nullptr;
      release_entries(e);
      return rc;
    }
  }
  return 0;
}

// True when Q's rows come from SQL, which needs a logged-on session.
bool needs_session(const curs* q) { return !q->fetch_exit && !q->no_sql; }

// Logs the collector on for Q's run. Returns 0, or 1 after marking the
// collector "CNCT" and keeping the code in Q.
int log_on(curs* q, const char* run_time) {
  distributor* coll = anchors.collector_at;
  int rc = coll ? connect_to_DB(coll) : sql_not_logged_on;
  if (rc == 0) {
    database_info.connected = 1;
    return 0;
  }
  if (coll) {
    snprintf(coll->last_run, sizeof coll->last_run, "%.14s", run_time);
    set_run_status(coll, "CNCT");
  }
  // The next database cursor logs on again, unless a restart is pending.
  if (database_info.session_status != 2) database_info.session_status = 1;
  database_info.connected = 0;
  q->last_sqlcode = rc;
  snprintf(q->last_sqlcode_text, sizeof q->last_sqlcode_text, "%*d", 16, rc);
  ++run_stats.logon_failures;
  return 1;
}

// One run of Q per row of its iterate source, all adding to one new sample.
int iterate_cursor(curs* q, const char* run_time) {
  const int32_t now = rel_now();
  if (q->run_start) {
    q->previous_start = q->run_start;
    q->run_start = now;
    q->current_interval = q->run_start - q->previous_start;
  } else {
    q->run_start = now;
  }
  // An iterate that start-up did not bind has no rows to iterate over.
  curs* s = bound_iterate_source(q);
  if (s && s->trace)
    PRINT('t', "cit3140", "Iterating from Cursor %s which has %d rows\n", s->cur_name,
          s->row_count);
  text_row* saved_current = s ? s->current_row : nullptr;
  const int16_t saved_empty = q->empty;
  const int32_t saved_sample = q->sample_no;
  int count = 0;
  int rc = 0;
  q->rows_this_run = 0;
  for (text_row* r = s ? s->first_row : nullptr; r; r = r->next) {
    if (q->iterate_where && !iterate_where_holds(q, r)) continue;
    // A failed iteration releases the session; the next one logs on again.
    if (needs_session(q) && !database_info.connected && log_on(q, run_time) != 0) {
      rc = 1;
      break;
    }
    s->current_row = r;
    q->sample_no = saved_sample;
    if (s->trace) PRINT('t', "cit3145", "Iteration on row %d\n", r->row_no);
    rc = prep_l_fetch(q, run_time, &count);
    if (rc != 0) {
      PRINT('e', "cit3150", "Iteration broken for cursor %s, cursor %s rc= %d\n", s->cur_name,
            q->cur_name, rc);
      // A failure that released the session would fail the same way for every
      // later row, each after a logon of its own: this run ends here.
      if (!database_info.connected) break;
    }
    // Later iterations add to the rows of earlier ones instead of emptying them.
    q->empty = 0;
  }
  if (s) restore_current(s, saved_current);
  q->empty = saved_empty;
  q->sample_no = saved_sample + 1;
  // Only this run's rows carry the new sample number; rows of older samples
  // keep theirs so that sample retention still finds them.
  const int16_t newest = static_cast<int16_t>(q->sample_no);
  int16_t n = 0;
  for (text_row* r = q->first_row; r; r = r->next)
    if (r->sample_no == newest) r->row_no = ++n;
  if (q->trace)
    PRINT('t', "cit3155", "Iteration produced %d rows in sample %d for %s\n", count, q->sample_no,
          q->cur_name);
  if (q->parsed_loads || q->loads) process_loads(q, count);
  if (q->in_lists) build_in_list(q);
  if (q->dummy_last_row || (q->conditional_dummy_last_row && q->row_count == 0))
    build_dummy_last_row(q);
  q->run_end = rel_now();
  q->execution_time = q->run_end - q->run_start;
  return rc;
}

}  // namespace

void reset_run_state() {
  for (curs* c = anchors.cur_anchor; c; c = c->next) release_run_list(c);
  run_stats = run_counters{};
}

int get_cursor_data(int32_t now, curs* q) {
  if (q->virtual_) {
    // Its rows come from loads and column exits of other cursors.
    q->new_data = 1;
    return 0;
  }
  char run_time[15];
  secs_to_date(run_time, now);
  const int failures_before = run_stats.logon_failures;
  const int rc = pre_prep_l_fetch(q, run_time);
  distributor* coll = anchors.collector_at;
  if (rc != 0) {
    q->stale_at = 0;
    if (coll) {
      get_time(coll->last_run);
      set_run_status(coll, run_stats.logon_failures != failures_before ? "CNCT" : "FAIL");
    }
    return 1;
  }
  memcpy(q->last_time, run_time, sizeof q->last_time);
  if (q->trace) {
    char when[20];
    PRINT('t', "cfe1645", "Time = %s, collected records in %d seconds\n", form_time(when),
          rel_now() - now);
  }
  if (coll) {
    get_time(coll->last_run);
    set_run_status(coll, "GOOD");
  }
  return 0;
}

int pre_prep_l_fetch(curs* q, const char* run_time) {
  bool broken = false;
  for (pre_cursor* p = q->pre_cursors; p; p = p->next) {
    curs* pc = bound_pre_cursor(p);
    if (!pc) continue;
    if (int rc = run_cursor(pc, run_time)) return rc;
    if (int rc = work_off_run_list(pc, run_time, &broken)) {
      if (broken) PRINT('w', "cfe3195", "Post cursor failed, breaking the chain\n");
      return rc;
    }
  }
  if (int rc = run_cursor(q, run_time)) return rc;
  if (int rc = work_off_run_list(q, run_time, &broken)) {
    if (broken) PRINT('w', "pfe3200", "Post cursor failed, breaking the chain\n");
    return rc;
  }
  return 0;
}

int run_cursor(curs* q, const char* run_time) {
  if (q->hold == 'Y') {
    if (q->trace) PRINT('t', "cit3143", "Not running held cursor %s.\n", q->cur_name);
    return 0;
  }
  if (q->time_limit) delete_by_time(q);
  if (q->samples) delete_by_samples(q);
  // A cursor with an age-to hand-over empties itself after handing over.
  if (q->empty && !q->pre_copy && !q->post_copy) delete_all(q);
  if (needs_session(q) && !database_info.connected) {
    if (int rc = log_on(q, run_time)) return rc;
  }
  if (!q->iterate) {
    int count = 0;
    return prep_l_fetch(q, run_time, &count);
  }
  return iterate_cursor(q, run_time);
}
