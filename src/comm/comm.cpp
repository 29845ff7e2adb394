// The transport entry point: function words, the re-entry guard, the choice
// between named pipes and shared memory, and the collector's transport steps
// for the stop paths.
#include "comm/comm.h"

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "comm/pipe_transport.h"
#include "comm/share_init.h"
#include "util/clock.h"
#include "util/print.h"
#include "util/settings.h"

comm_globals comm_state;

namespace {
constexpr int kGuardSeconds = 30;

int word_code(const char* word) {
  static const char* const kWords[] = {"init", "initc", "get", "put", "term", "shut", "initsm"};
  for (int i = 0; i < 7; ++i)
    if (word && strcmp(word, kWords[i]) == 0) return i + 1;
  return 0;
}

// Holds the busy marker for one call. A signal handler that calls in while
// a call runs waits for it, but the interrupted call cannot finish before the
// handler returns, so after 30 seconds the handler goes ahead.
class reentry_guard {
 public:
  explicit reentry_guard(int code) {
    if (comm_state.qvzcomm_locked) {
      PRINT('w', "com0010", "qvzcomm locked... entering wait (%d,%d)\n", comm_state.qvzcomm_locked,
            code);
      for (int waited = 1; waited <= kGuardSeconds && comm_state.qvzcomm_locked; ++waited) {
        current_clock().sleep_for(1);
        if (comm_state.qvzcomm_locked)
          PRINT('w', "com0012", "qvzcomm locked... still waiting (%d)\n", waited);
      }
    }
    comm_state.qvzcomm_locked = code;
  }
  ~reentry_guard() { comm_state.qvzcomm_locked = 0; }
  reentry_guard(const reentry_guard&) = delete;
  reentry_guard& operator=(const reentry_guard&) = delete;
};

comm_reply pipe_call(int code, comm_anchor* anchor, const char* names) {
  comm_reply reply;
  if ((code == 3 || code == 4) && !anchor) {
    reply.status = kCommNoMemory;
    return reply;
  }
  switch (code) {
    case 1:
      reply.anchor = init_probe();
      break;
    case 2:
      reply.anchor = init_collector();
      break;
    case 3:
      sigpipe_catch(anchor);
      if (anchor->side == 'C')
        reply.list = get_probe_reqs(anchor);
      else
        reply.status = get_curs_data(anchor, names);
      sigpipe_ignore();
      break;
    case 4:
      sigpipe_catch(anchor);
      reply.status = put_request(anchor);
      sigpipe_ignore();
      break;
    case 5:
      reply.anchor = term_comm(anchor);
      break;
    case 6:  // the pipes have nothing shared to tear down
    case 7:  // nor to set up before the first "initc"
      break;
    default:
      if (anchor)
        comm_set_error(anchor, kCommBadFunction, "Invalid function code");
      else
        PRINT('e', "com0100", "Invalid function code to QVZCOMM\n");
  }
  return reply;
}
}  // namespace

bool use_pipes() { return env_set(env_vars.useshm) && env_vars.useshm[0] != '1'; }

int read_wait_timeout(char side) {
  int& cached = side == 'C' ? comm_state.collector_timeout : comm_state.probe_timeout;
  if (cached == 0) {
    const char* text = getenv(side == 'C' ? "COLL_WAIT_TIMEOUT" : "WAIT_TIMEOUT");
    long value = text ? strtol(text, nullptr, 10) : 0;
    if (value <= 0) value = side == 'C' ? 5 : 45;
    if (value > 600) value = 600;
    cached = static_cast<int>(value);
  }
  return cached;
}

ipc_modes comm_ipc_modes() {
  ipc_modes modes;
  const char* text = env_vars.ipc_mode;
  if (!env_set(text)) return modes;
  char* end = nullptr;
  errno = 0;
  unsigned long mode = strtoul(text, &end, 8);
  if (errno != 0 || *end != 0 || mode > 0777 || strspn(text, "01234567") != strlen(text)) {
    if (!comm_state.ipc_mode_reported)
      PRINT('w', "com0105", "COLL_IPC_MODE %s is not an octal mode of at most 0777, ignored\n",
            text);
    comm_state.ipc_mode_reported = true;
    return modes;
  }
  modes.fifo = static_cast<unsigned>(mode);
  modes.ipc = static_cast<unsigned>(mode);
  // The key file holds only ids; those who may read the objects may read it.
  modes.key = 0600 | (static_cast<unsigned>(mode) & 0044);
  return modes;
}

int comm_set_error(comm_anchor* anchor, int code, const char* fmt, ...) {
  char text[2200];
  va_list ap;
  va_start(ap, fmt);
  vsnprintf(text, sizeof text, fmt, ap);
  va_end(ap);
  anchor->error_code = code;
  anchor->error_text = text;
  return code;
}

comm_reply qvzcomm(const char* word, comm_anchor* anchor, const char* names) {
  int code = word_code(word);
  if (code == 0) {
    PRINT('e', "com0100", "Invalid function code to QVZCOMM: %s\n", word ? word : "");
    return {};
  }
  if (code == 6)
    return use_pipes() ? pipe_call(code, anchor, names) : qvzcomm2(word, anchor, names);
  reentry_guard guard(code);
  if (!use_pipes()) return qvzcomm2(word, anchor, names);
  return pipe_call(code, anchor, names);
}

int comm_wait_request(comm_anchor* anchor, int seconds) {
  if (!anchor || anchor->side != 'C') return -1;
  if (anchor->pipe_transport) {
    if (pipe_request_waiting(anchor)) return 0;
    switch (wait_for_read(anchor, anchor->read_fd.get(), seconds, true)) {
      case 0:
        return 0;
      case 1:
        return 1;
      default:
        return -1;
    }
  }
  if (!share_state.request_obj) return -1;
  int rc = share_state.request_obj->semaphore().TimedWait(kSemFilled, seconds, true);
  return rc == 0 ? 0 : rc == -10 ? 1 : -1;
}

void reset_comm_state() {
  if (comm_state.ipc_ptr) term_comm(comm_state.ipc_ptr);
  reset_share_state();
  reset_pipe_names();
  comm_state = comm_globals{};
}

int transport_term() {
  if (comm_state.ipc_ptr) comm_state.ipc_ptr = qvzcomm("term", comm_state.ipc_ptr).anchor;
  return 0;
}

int transport_shut() {
  // A stop that skipped "term" still leaves no pipe behind.
  if (comm_state.ipc_ptr) {
    term_comm(comm_state.ipc_ptr);
    comm_state.ipc_ptr = nullptr;
  }
  qvzcomm("shut");
  return 0;
}
