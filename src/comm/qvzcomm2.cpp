// The function words over the shared-memory transport: set-up ("initsm"),
// anchors, the collector's "get" and "put" and the probe's "get", each on the
// process's two channels.
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "comm/comm.h"
#include "comm/pipe_transport.h"
#include "comm/request_record.h"
#include "comm/share_init.h"
#include "util/clock.h"
#include "util/print.h"
#include "util/settings.h"
#include "util/trace.h"

namespace {
// Seconds the collector waits to place each block of an answer.
constexpr int kSendDataTimeout = 10;
// The blocks of one answer are written within this many wait_timeouts.
constexpr int kAnswerDeadlineFactor = 4;
// A probe whose last good send lies further back resets both channels first.
constexpr int kProbeResetSeconds = 180;

bool shm_chosen() { return !use_pipes(); }

// Maps a channel result onto the anchor's error. Returns the anchor's code.
int SetError(comm_anchor* anchor, int rc) {
  if (rc == -10) return comm_set_error(anchor, kCommShareTimeout, "Share memory time out");
  if (rc != 0) return comm_set_error(anchor, kCommShareError, "Share memory generic error");
  return 0;
}

bool channels_ready(comm_anchor* anchor) {
  if (share_state.request_obj && share_state.data_obj) return true;
  SetError(anchor, -1);
  return false;
}

comm_anchor* new_anchor(char side) {
  auto* anchor = new comm_anchor;
  anchor->side = side;
  anchor->probe_pipe = "AGT";
  anchor->coll_pipe = "COL";
  anchor->wait_timeout = read_wait_timeout(side);
  if (side == 'P') anchor->last_success = clock_time();
  return anchor;
}

std::list<curs_list>* share_get_probe_reqs(comm_anchor* anchor) {
  if (trace_on(5)) PRINT('t', "ush0400", "Entering: get_probe_reqs\n");
  anchor->entries.clear();
  for (const char*& slot : anchor->parms) slot = nullptr;
  if (!channels_ready(anchor)) return nullptr;
  QVZRequest req;
  // The wait ends in time for the collector's next collection.
  int wait = anchor->wait_timeout;
  if (comm_state.request_wait_cap >= 0 && comm_state.request_wait_cap < wait)
    wait = comm_state.request_wait_cap;
  int rc = share_state.request_obj->GetRequest(&req, wait);
  if (rc != 0) {
    if (trace_on(5)) PRINT('t', "ush0410", "Call get_probe_reqs: No request\n");
    SetError(anchor, rc);
    return &anchor->entries;
  }
  anchor->probe_pipe = req.unique;
  std::vector<uint8_t> record =
      encode_request(req.name, req.unique, req.parms, kMaxFiledRequestLen);
  request_view view;
  if (record.empty() || decode_request(record, &view, kMaxFiledRequestLen) != record_status::ok) {
    // Cursor names have at most 8 characters; a longer one cannot be served.
    PRINT('e', "ush0215", "GetRequest: request '%s' refused, cursor name too long\n",
          req.unique.c_str());
    SetError(anchor, -1);
    return &anchor->entries;
  }
  memset(anchor->cur_name, 0, sizeof anchor->cur_name);
  memcpy(anchor->cur_name, view.name.data(), view.name.size());
  curs_list* entry = file_request(anchor->entries, std::move(record), view);
  set_anchor_parms(anchor, *entry);
  return &anchor->entries;
}

int share_put(comm_anchor* anchor) {
  if (anchor->side != 'C')
    return comm_set_error(anchor, kCommPipe, "Invalid anchor side %c for put", anchor->side);
  if (!channels_ready(anchor)) return anchor->error_code;
  share_state.data_obj->set_answer_deadline(kAnswerDeadlineFactor * anchor->wait_timeout);
  for (const curs_list& entry : anchor->entries) {
    memcpy(anchor->cur_name, entry.name, sizeof anchor->cur_name);
    // Never send more than the entry holds, whatever its counts claim.
    int64_t bytes = static_cast<int64_t>(entry.rows) * entry.row_len;
    bool fits =
        entry.rows >= 0 && entry.row_len >= 0 && bytes <= static_cast<int64_t>(entry.data.size());
    for (const std::string& requester : entry.pipe_list) {
      int rc = share_state.data_obj->SendData(requester, fits ? entry.rows : 0, entry.row_len,
                                              entry.data.data(), kSendDataTimeout);
      if (rc != 0) {
        SetError(anchor, rc);
        anchor->entries.clear();
        return anchor->error_code;
      }
    }
  }
  anchor->entries.clear();
  for (const char*& slot : anchor->parms) slot = nullptr;
  return 0;
}

// Probe "get": one request and its answer per name, into the anchor's entries.
int get_cursor_data(comm_anchor* anchor, const char* names) {
  anchor->entries.clear();
  if (anchor->side != 'P')
    return comm_set_error(anchor, kCommPipe, "Invalid anchor side %c for get", anchor->side);
  if (!channels_ready(anchor)) return anchor->error_code;
  std::string list = names ? names : "";
  for (size_t at = 0; at < list.size();) {
    size_t start = list.find_first_not_of(" ,", at);
    if (start == std::string::npos) break;
    size_t end = std::min(list.find_first_of(" ,", start), list.size());
    at = end;
    QVZRequest req;
    req.name = list.substr(start, end - start);
    if (req.name.size() > kMaxRequestName) return SetError(anchor, -1);
    memset(anchor->cur_name, 0, sizeof anchor->cur_name);
    memcpy(anchor->cur_name, req.name.data(), req.name.size());
    req.parms.assign(
        anchor->probe_parms.begin(),
        anchor->probe_parms.begin() + std::min<size_t>(anchor->probe_parms.size(), kMaxParms));
    time_t now = clock_time();
    if (now - anchor->last_success > kProbeResetSeconds) {
      if (trace_on(5))
        PRINT('t', "ush0420", "Time now:%d, last succeed:%d\n", static_cast<int>(now),
              static_cast<int>(anchor->last_success));
      PRINT('i', "ush0430", "Reseting semaphores...\n");
      share_state.request_obj->ResetSemaphore();
      share_state.data_obj->ResetSemaphore();
    }
    int rc = share_state.request_obj->SendRequest(&req, anchor->wait_timeout);
    if (rc != 0) return SetError(anchor, rc);
    anchor->last_success = clock_time();
    QVZDataRow answer;
    rc = share_state.data_obj->GetData(req.unique, req.name, &answer, anchor->wait_timeout);
    if (rc != 0) return SetError(anchor, rc);
    curs_list& entry = anchor->entries.emplace_back();
    memcpy(entry.name, anchor->cur_name, sizeof entry.name);
    entry.rows = answer.rows;
    entry.row_len = answer.row_len;
    entry.data = std::move(answer.data);
  }
  return 0;
}

void init_sm_comm() {
  if (!shm_chosen()) return;
  if (InitShare(env_vars.serverid) != 0) {
    PRINT('s', "com31400", "could not establish shared memory, quitting\n");
    exit(8);
  }
}
}  // namespace

comm_reply qvzcomm2(const char* word, comm_anchor* anchor, const char* names) {
  static const char* const kWords[] = {"init", "initc", "get", "put", "term", "shut", "initsm"};
  int code = 0;
  for (int i = 0; i < 7; ++i)
    if (word && strcmp(word, kWords[i]) == 0) code = i + 1;
  comm_reply reply;
  if (code == 0) {
    PRINT('e', "com2100", "Invalid function code to QVZCOMM2: %s\n", word ? word : "");
    return reply;
  }
  if ((code == 3 || code == 4 || code == 5) && !anchor) {
    reply.status = kCommNoMemory;
    return reply;
  }
  if (code == 3 || code == 4) {
    anchor->error_code = 0;
    anchor->error_text.clear();
  }
  switch (code) {
    case 1:
      reply.anchor = new_anchor('P');
      break;
    case 2:
      reply.anchor = new_anchor('C');
      break;
    case 3:
      if (anchor->side == 'C')
        reply.list = share_get_probe_reqs(anchor);
      else
        reply.status = get_cursor_data(anchor, names);
      break;
    case 4:
      reply.status = share_put(anchor);
      break;
    case 5:
      term_comm(anchor);
      break;
    case 6:
      if (shm_chosen()) DestroyShareCommObject();
      break;
    case 7:
      init_sm_comm();
      break;
    default:
      if (anchor)
        comm_set_error(anchor, kCommBadFunction, "Invalid function code");
      else
        PRINT('e', "com2100", "Invalid function code to QVZCOMM2\n");
  }
  return reply;
}
