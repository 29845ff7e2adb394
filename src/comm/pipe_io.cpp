// FIFO primitives, timed waits with select, SIGPIPE handling and pipe naming
// for the named-pipe transport.
#include "comm/pipe_io.h"

#include <fcntl.h>
#include <sys/select.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "comm/comm.h"
#include "platform/signal_box.h"
#include "util/clock.h"
#include "util/print.h"
#include "util/settings.h"
#include "util/trace.h"

namespace {
struct pipe_globals {
  std::string coll_pipe;    // the collector's request pipe path once built
  bool coll_built = false;  // coll_pipe has been built for this process
  int probe_counter = 0;    // last reply pipe counter used, 0..9999
};
pipe_globals pipe_state;

// Set by the SIGPIPE handler; read and cleared by sigpipe_check.
volatile sig_atomic_t sigpipe_seen = 0;
volatile sig_atomic_t sigpipe_signal = 0;

void handle_pipe_error(int sig) {
  // SIGPIPE is raised synchronously by the failing write, which then returns
  // EPIPE; the message is written there, outside the handler.
  sigpipe_seen = 1;
  sigpipe_signal = sig;
}

const std::string& own_pipe(const comm_anchor* anchor) {
  return anchor->side == 'C' ? anchor->coll_pipe : anchor->probe_pipe;
}

void append_part(std::string& path, const char* part) {
  if (env_set(part)) {
    path += part;
    path += '_';
  }
}
}  // namespace

int MakeNamedPipe(comm_anchor* anchor, char side) {
  const std::string& path = side == 'C' ? anchor->coll_pipe : anchor->probe_pipe;
  // Owner-only until the opener applies the configured mode with fchmod.
  if (mkfifo(path.c_str(), 0600) != 0) return errno;
  return 0;
}

int ClientOpenPipe(const std::string& path, int flags) {
  int mode = (flags & 2) ? O_WRONLY : O_RDONLY;
  if (flags & 4) mode |= O_NONBLOCK;
  // The file is looked at before it is opened for real: a symbolic link, a
  // regular file, a directory or a device named where a FIFO belongs is
  // refused without being opened, let alone written.
  unique_fd probe_fd(open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
  if (!probe_fd.valid()) return -1;
  struct stat st;
  if (fstat(probe_fd.get(), &st) != 0) return -1;
  if (!S_ISFIFO(st.st_mode)) {
    errno = EINVAL;
    return -1;
  }
  // Reopening the descriptor opens the very FIFO that was checked.
  char self[64];
  snprintf(self, sizeof self, "/proc/self/fd/%d", probe_fd.get());
  int fd = open(self, mode | O_CLOEXEC);
  if (fd >= 0 || errno != ENOENT) return fd;
  // Without /proc: open by name, still refusing links, and check again.
  fd = open(path.c_str(), mode | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
  if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISFIFO(st.st_mode))) {
    close(fd);
    errno = EINVAL;
    return -1;
  }
  return fd;
}

bool refused_not_fifo(int err) { return err == EINVAL || err == ELOOP; }

int apply_fifo_mode(int fd) { return fchmod(fd, comm_ipc_modes().fifo) == 0 ? 0 : errno; }

ssize_t ReadPipe(int fd, void* buf, size_t len) { return read(fd, buf, len); }
ssize_t WritePipe(int fd, const void* buf, size_t len) { return write(fd, buf, len); }
void ClosePipe(unique_fd& fd) { fd.reset(); }
bool Access(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

int wait_for_write(comm_anchor* anchor, int fd, int seconds) {
  if (fd < 0 || fd >= FD_SETSIZE) return 4;
  timeval tv{seconds < 0 ? anchor->wait_timeout : seconds, 0};
  for (;;) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(fd, &set);
    int n = select(fd + 1, nullptr, &set, nullptr, &tv);
    if (n == 0) return 1;
    // Linux leaves the remaining time in tv, so an interrupted wait resumes.
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || !FD_ISSET(fd, &set)) anchor->pipe_error = true;
    return 0;
  }
}

int wait_for_read(comm_anchor* anchor, int fd, int seconds, bool wake_on_signal) {
  if (fd < 0 || fd >= FD_SETSIZE) return 4;
  timeval tv{seconds < 0 ? anchor->wait_timeout : seconds, 0};
  for (int interrupted = 0;;) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(fd, &set);
    int n = select(fd + 1, &set, nullptr, nullptr, &tv);
    if (n > 0) return FD_ISSET(fd, &set) ? 0 : 3;
    if (n == 0) return 1;
    int err = errno;
    if (err == EINTR && wake_on_signal && signal_box_waiting()) return 1;
    if (trace_on(5)) {
      PRINT('t', "com0155", "%s:%d select failed errno=%d-%s pipe_fd=%d\n", __FILE__, __LINE__, err,
            strerror(err), fd);
      PRINT('t', "com0156", "  Pipe name=%s.\n", own_pipe(anchor).c_str());
    }
    if (!Access(own_pipe(anchor))) {
      PRINT('w', "com0165", "%s: Pipe is gone\n", own_pipe(anchor).c_str());
      return 2;
    }
    if (err != EINTR || ++interrupted > 10) return 2;
    current_clock().sleep_for(1);
  }
}

void sigpipe_catch(comm_anchor* anchor) {
  struct sigaction act = {};
  act.sa_handler = handle_pipe_error;
  sigemptyset(&act.sa_mask);
  struct sigaction old = {};
  sigaction(SIGPIPE, &act, &old);
  if (!anchor->sigpipe_saved) {
    anchor->saved_sigpipe = old;
    anchor->sigpipe_saved = true;
  }
  sigpipe_seen = 0;
}

void sigpipe_ignore() { signal(SIGPIPE, SIG_IGN); }

void sigpipe_restore(comm_anchor* anchor) {
  if (anchor->sigpipe_saved) sigaction(SIGPIPE, &anchor->saved_sigpipe, nullptr);
  anchor->sigpipe_saved = false;
}

bool sigpipe_check(comm_anchor* anchor, const char* file, int line) {
  if (!sigpipe_seen) return false;
  sigpipe_seen = 0;
  anchor->pipe_error = true;
  PRINT('e', "com0150", "%s:%d handle_pipe_error sig_val=%d\n Cursor=%s", file, line,
        static_cast<int>(sigpipe_signal), anchor->cur_name);
  return true;
}

const std::string& collector_pipe_name() {
  if (!pipe_state.coll_built) {
    std::string path;
    if (env_set(env_vars.localtmpdir)) {
      path = env_vars.localtmpdir;
      path += '/';
    }
    path += "col_";
    append_part(path, env_vars.serverid);
    append_part(path, env_vars.db_type);
    path += "pipe";
    pipe_state.coll_pipe = path;
    pipe_state.coll_built = true;
  }
  return pipe_state.coll_pipe;
}

std::string probe_pipe_name() {
  std::string prefix;
  if (env_set(env_vars.localtmpdir)) {
    prefix = env_vars.localtmpdir;
    prefix += '/';
  }
  prefix += "prb_";
  append_part(prefix, env_vars.serverid);
  append_part(prefix, env_vars.db_type);
  append_part(prefix, env_vars.hostname);
  time_t now = clock_time();
  struct tm tm;
  localtime_r(&now, &tm);
  char stamp[16];
  snprintf(stamp, sizeof stamp, "%02d%02d%02d%02d_", tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  prefix += stamp;
  std::string path;
  // Every counter value is tried at most once; the last name is taken as it is.
  for (int tries = 0; tries < 10000; ++tries) {
    pipe_state.probe_counter = (pipe_state.probe_counter + 1) % 10000;
    char tail[16];
    snprintf(tail, sizeof tail, "%04d_pipe", pipe_state.probe_counter);
    path = prefix + tail;
    if (!Access(path)) break;
  }
  return path;
}

void reset_pipe_names() {
  pipe_state = pipe_globals{};
  sigpipe_seen = 0;
}
