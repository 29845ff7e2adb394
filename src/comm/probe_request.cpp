// One probe request over either transport, built on the function words.
#include "comm/probe_request.h"

#include <signal.h>
#include <sys/shm.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "comm/comm.h"
#include "comm/request_record.h"
#include "comm/share_init.h"
#include "util/settings.h"

namespace {
// What a terminating signal must undo while an end is open, kept where a
// signal handler can read it.
struct open_end {
  volatile sig_atomic_t armed = 0;
  char reply_fifo[1100] = {};  // pipes: the reply FIFO to remove
  void* segments[2] = {};      // shared memory: the attached segments
  share_ids ids;               // shared memory: what AttachShare attached to
};
open_end release_on_signal;

// Blocks the terminating signals while the open end changes hands.
class stop_signals_held {
 public:
  stop_signals_held() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigprocmask(SIG_BLOCK, &set, &saved_);
  }
  ~stop_signals_held() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }
  stop_signals_held(const stop_signals_held&) = delete;
  stop_signals_held& operator=(const stop_signals_held&) = delete;

 private:
  sigset_t saved_;
};

void arm_release(const comm_anchor* anchor) {
  open_end& e = release_on_signal;
  e = open_end{};
  if (anchor->pipe_transport) {
    snprintf(e.reply_fifo, sizeof e.reply_fifo, "%s", anchor->probe_pipe.c_str());
  } else if (share_state.attached.req_shm >= 0) {
    e.segments[0] = share_state.request_obj->request();
    e.segments[1] = share_state.data_obj->data();
    e.ids = share_state.attached;
  }
  e.armed = 1;
}

void fail(probe_answer* out, int code, std::string text) {
  *out = probe_answer{};
  out->error_code = code;
  out->error_text = std::move(text);
}
}  // namespace

void probe_release_now() {
  open_end& e = release_on_signal;
  if (!e.armed) return;
  e.armed = 0;
  if (e.reply_fifo[0]) unlink(e.reply_fifo);
  for (void* segment : e.segments) {
    if (!segment) continue;
    // Both segments begin with their count of users.
    std::atomic_ref<int32_t>(*static_cast<int32_t*>(segment)).fetch_sub(1);
    shmdt(segment);
  }
  if (e.segments[0]) remove_if_abandoned(e.ids);
}

comm_anchor* probe_open(probe_answer* out) {
  stop_signals_held held;
  *out = probe_answer{};
  if (!use_pipes() && AttachShare(env_vars.serverid) != 0) {
    fail(out, kCommShareError, "Share memory generic error");
    return nullptr;
  }
  comm_anchor* anchor = qvzcomm("init").anchor;
  if (!anchor) {
    fail(out, kCommPipe, "Cannot open the probe end of the transport");
    if (!use_pipes()) DetachShare();
  } else {
    arm_release(anchor);
  }
  return anchor;
}

void probe_close(comm_anchor* anchor) {
  stop_signals_held held;
  release_on_signal.armed = 0;
  if (anchor) qvzcomm("term", anchor);
  if (!use_pipes()) DetachShare();
}

int probe_ask(comm_anchor* anchor, std::string_view name, std::span<const std::string> parms,
              probe_answer* out) {
  *out = probe_answer{};
  if (!anchor) {
    fail(out, kCommNoMemory, "No memory available");
    return out->error_code;
  }
  if (name.empty() || name.size() > kMaxRequestName ||
      name.find_first_of(" ,") != std::string_view::npos) {
    fail(out, kCommPipe, "Invalid request name '" + std::string(name) + "'");
    return out->error_code;
  }
  size_t count = parms.size() < static_cast<size_t>(kMaxParms) ? parms.size() : kMaxParms;
  anchor->probe_parms.assign(parms.begin(), parms.begin() + static_cast<std::ptrdiff_t>(count));
  std::string names(name);
  int status = qvzcomm("get", anchor, names.c_str()).status;
  if (status != 0 || anchor->entries.empty()) {
    fail(out, status ? status : kCommPipe,
         anchor->error_text.empty() ? "No answer" : anchor->error_text);
    return out->error_code;
  }
  curs_list& entry = anchor->entries.front();
  out->rows = entry.rows;
  out->row_len = entry.row_len;
  out->data = std::move(entry.data);
  anchor->entries.clear();
  return 0;
}

probe_answer probe_request(std::string_view name, std::span<const std::string> parms) {
  probe_answer out;
  comm_anchor* anchor = probe_open(&out);
  if (anchor) probe_ask(anchor, name, parms, &out);
  probe_close(anchor);
  return out;
}
