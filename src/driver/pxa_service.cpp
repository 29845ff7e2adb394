// The request service: lazy transport set-up, the request loop of one call,
// control words, percent-cursor parameters and the answers of cursor requests.
#include "driver/pxa_service.h"

#include <strings.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "comm/comm.h"
#include "comm/pipe_transport.h"
#include "ctl/anchors.h"
#include "ctl/curs.h"
#include "ctl/windows.h"
#include "derive/percent_cursor.h"
#include "driver/cluster.h"
#include "driver/pxa_status.h"
#include "driver/rel_now.h"
#include "driver/stopping.h"
#include "rows/row_chain.h"
#include "util/clock.h"
#include "util/print.h"
#include "util/reltime.h"
#include "util/settings.h"
#include "util/trace.h"

namespace {
constexpr int kSetupTries = 3;
constexpr unsigned kSetupPause = 3;
// Error code of a shared-memory wait that timed out: no request came.
constexpr int kNoRequestTimeout = kCommShareTimeout;

bool cursor_traced(const curs* c) { return c && (c->trace || tracing.trace_all); }

// Opens the collector's end of the transport; stops the collector when it
// cannot be opened.
void set_up_transport() {
  // With shared memory this makes or attaches the channels (or ends the
  // process with status 8); with pipes it does nothing.
  qvzcomm("initsm");
  for (int attempt = 1; !comm_state.ipc_ptr && attempt <= kSetupTries; ++attempt) {
    comm_state.ipc_ptr = qvzcomm("initc").anchor;
    if (comm_state.ipc_ptr) break;
    PRINT('e', "iir1510", "Error building PXA IPC environment. Try %d failed\n", attempt);
    if (attempt < kSetupTries) current_clock().sleep_for(kSetupPause);
  }
  if (!comm_state.ipc_ptr) {
    PRINT('e', "iir1510", "Error building PXA IPC environment\n");
    quitting(-1004);
  }
}

// The words the service answers itself, in place of a cursor name.
bool is_control_word(const char* name) {
  for (const char* w : {"RETRACE", "SHUTDOWN", "C-STATUS", "D-STATUS", "C-LAYOUT"})
    if (strcmp(name, w) == 0) return true;
  return false;
}

// Answers one entry by its name. Returns 0, or -1 when the request failed.
int serve_entry(curs_list& entry) {
  const char* name = entry.name;
  if (strcmp(name, "RETRACE") == 0) {
    anchors.reset_trace = 1;
    PRINT('i', "cir1850", "Reseting trace.\n");
    return 0;
  }
  if (strcmp(name, "SHUTDOWN") == 0) {
    go_home = 1;
    PRINT('a', "cir1855", "SHUTDOWN request recieved.\n");
    return 0;
  }
  if (strcmp(name, "C-STATUS") == 0) return answer_c_status(&entry);
  if (strcmp(name, "D-STATUS") == 0) return answer_d_status(&entry);
  if (strcmp(name, "C-LAYOUT") == 0) {
    set_anchor_parms(comm_state.ipc_ptr, entry);
    return answer_c_layout(&entry, comm_state.ipc_ptr->parms[0]) == 0 ? 0 : -1;
  }
  curs* cur = find_request_cursor(name);
  if (trace_on(0) || cursor_traced(cur)) PRINT('i', "cir1860", "Demand request. Cursor=%s\n", name);
  int result = 0;
  if (get_probe_data(&entry) != 0) {
    if (trace_on(1)) PRINT('e', "cir1870", "Get PXA data failed. Cursor=%s\n", name);
    result = -1;
  }
  if (tracing.trace_something && cursor_traced(cur))
    PRINT('i', "cir1875", "Returning Cur %s, %d Rows, %d bytes in length.\n", name, entry.rows,
          entry.row_len);
  return result;
}
}  // namespace

void place_probe_parms() {
  curs* pc = anchors.percent_cursor;
  comm_anchor* a = comm_state.ipc_ptr;
  if (!pc || !a) return;
  int k = 0;
  for (columns* col = pc->column_list; col && k < kMaxParms; col = col->next) {
    if (strncasecmp(col->name, "%parm", 5) != 0) continue;
    const char* parm = a->parms[k++];
    if (parm) (void)set_percent_parm(col, parm, strnlen(parm, kPercentParmRoom));
  }
}

int get_probe_data(curs_list* entry) {
  const int32_t now = rel_now();
  curs* cur = find_request_cursor(entry->name);
  if (!cur) return 1;
  // Each entry's cursor sees its own request's parameters.
  set_anchor_parms(comm_state.ipc_ptr, *entry);
  place_probe_parms();
  if (cur->window_close <= now) set_window_c(cur, now);
  if (cur->window_open > now) {
    entry->rows = 0;
    entry->row_len = 0;
    entry->data.clear();
    return 0;
  }
  get_time(cur->last_time);
  row_cluster* cl = open_cursor(cur);
  if (!cl) return 1;
  if (cl->count == 0 || cl->row_size == 0) {
    close_cur(cl);
    return 1;
  }
  if (tracing.trace_something)
    PRINT('i', "cpr1885", "Build return data block, cur= %s, rows= %d, len= %d\n", cur->cur_name,
          cl->count, cl->row_size);
  const size_t size = static_cast<size_t>(cl->row_size);
  const size_t bytes = static_cast<size_t>(cl->count) * size;
  entry->rows = cl->count;
  entry->row_len = cl->row_size;
  if (cl->current == cl->rows.data() && !cl->started && cl->rows.size() >= bytes) {
    // The cluster's records, back to back, are the answer: taken over whole
    // rather than copied record by record.
    entry->data = std::move(cl->rows);
    entry->data.resize(bytes);
  } else {
    entry->data.assign(bytes, 0);
    char* at = entry->data.data();
    char* const end = at + entry->data.size();
    while (at < end && fetch_cur(cl) == 0) {
      memcpy(at, cl->current, size);
      at += size;
    }
  }
  close_cur(cl);
  return 0;
}

int do_pxa() {
  if (!comm_state.ipc_ptr) set_up_transport();
  comm_anchor* a = comm_state.ipc_ptr;
  if (!a) return -1;
  if (trace_on(0)) PRINT('t', "cir1830", "Check PXA request queue...\n");
  std::list<curs_list>* list = qvzcomm("get", a).list;
  if (!list || list->empty()) {
    if (a->error_code == 0 || a->error_code == kNoRequestTimeout) {
      if (trace_on(0) && a->error_code == 0) PRINT('t', "cir1840", " No requests!\n");
      return 100;
    }
    PRINT('e', "cir1835", "%s\n", a->error_text.c_str());
    return -1;
  }
  // Control words take no parameters: C-LAYOUT's names a cursor and is no
  // value for the percent cursor.
  if (std::none_of(list->begin(), list->end(),
                   [](const curs_list& e) { return is_control_word(e.name); }))
    place_probe_parms();
  if (trace_on(0)) PRINT('t', "cir1845", " Requests=%d\n", static_cast<int>(list->size()));
  int result = 0;
  for (curs_list& entry : *list)
    if (serve_entry(entry) != 0) result = -1;
  if (qvzcomm("put", a).status != 0) PRINT('e', "cir1880", "%s\n", a->error_text.c_str());
  return result;
}
