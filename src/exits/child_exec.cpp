// Running child programs: the argument vector, the program's path, the
// fork/exec with its standard streams, the bounded read of its output under a
// deadline, termination and reaping.
#include "exits/child_exec.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

#include "util/outfile.h"
#include "util/print.h"
#include "util/settings.h"
#include "util/trace.h"
#include "util/unique_fd.h"

namespace {

using steady = std::chrono::steady_clock;

constexpr int kMaxWords = 500;
constexpr int kCmdLineLimit = 1024;
constexpr int kDefaultLines = 30000;
constexpr int kDefaultLimit = 600;
constexpr int kDefaultLineLen = 16000;
constexpr int kNotFound = 30;

bool exec_traced() { return tracing.trace_all || trace_on(8); }

// What the reader does with the child's output.
struct read_rules {
  int max_lines;
  int max_line_len;
  bool skip_blank_lines;  // plain runs: newline-only lines are dropped, six in a row stop
};

// Collects output lines from the bytes as they arrive.
class line_collector {
 public:
  explicit line_collector(const read_rules& rules) : rules_(rules) {}
  line_collector(const line_collector&) = delete;
  line_collector& operator=(const line_collector&) = delete;
  ~line_collector() { u_free_r_chain(head_); }

  // Takes `n` bytes; false once no more lines are wanted.
  bool take(const char* p, size_t n) {
    for (size_t i = 0; i < n && !full_; ++i) {
      if (p[i] == '\n') {
        end_line();
      } else if (static_cast<int>(partial_.size()) < rules_.max_line_len) {
        partial_ += p[i];
      }
    }
    return !full_;
  }
  // The last line when the output does not end with a newline.
  void finish() {
    if (!partial_.empty() && !full_) end_line();
  }
  int count() const { return count_; }
  bool full() const { return full_; }
  r_exec_chain* release() {
    r_exec_chain* h = head_;
    head_ = tail_ = nullptr;
    return h;
  }

 private:
  void end_line() {
    if (partial_.empty() && rules_.skip_blank_lines) {
      if (++blank_run_ > 5) {
        if (exec_traced())
          PRINT('t', "uex2060",
                "stopped reading returned data because of 5 null lines in a row.\n");
        full_ = true;
      }
      return;
    }
    blank_run_ = 0;
    auto* e = new r_exec_chain;
    e->line.swap(partial_);
    e->len = static_cast<int32_t>(e->line.size());
    (tail_ ? tail_->next : head_) = e;
    tail_ = e;
    partial_.clear();
    if (++count_ >= rules_.max_lines) full_ = true;
  }

  read_rules rules_;
  std::string partial_;
  r_exec_chain* head_ = nullptr;
  r_exec_chain* tail_ = nullptr;
  int count_ = 0;
  int blank_run_ = 0;
  bool full_ = false;
};

bool executable_file(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The path of `name`: as given when it holds a slash, else found on PATH
// followed by the agent's program directory. Empty when there is none.
std::string find_program(const std::string& name) {
  if (name.empty()) return "";
  if (name.find('/') != std::string::npos) return executable_file(name) ? name : "";
  const char* path = getenv("PATH");
  std::string dirs = path ? path : "";
  if (env_set(env_vars.bin_home)) dirs += std::string(":") + env_vars.bin_home;
  size_t start = 0;
  for (;;) {
    size_t end = dirs.find(':', start);
    std::string dir = dirs.substr(start, end == std::string::npos ? end : end - start);
    if (dir.empty()) dir = ".";
    std::string full = dir + "/" + name;
    if (executable_file(full)) return full;
    if (end == std::string::npos) return "";
    start = end + 1;
  }
}

// A temporary file created exclusively for this run (mode 0600), removed when
// the holder goes.
struct temp_file {
  std::string path;
  unique_fd fd;
  temp_file() = default;
  temp_file(const temp_file&) = delete;
  temp_file& operator=(const temp_file&) = delete;
  ~temp_file() {
    if (!path.empty()) unlink(path.c_str());
  }
  bool create(const char* prefix) {
    char buf[u_path_size];
    for (int tries = 0; tries < 5; ++tries) {
      u_createTempFileName(buf, prefix, 0);
      int f = open(buf, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (f >= 0) {
        path = buf;
        fd.reset(f);
        return true;
      }
      if (errno != EEXIST) break;
    }
    return false;
  }
};

// The collector's environment less the database password: a child has no
// business with the collector's logon.
std::vector<char*> child_environment() {
  std::vector<char*> env;
  for (char** e = environ; e && *e; ++e)
    if (strncmp(*e, "COLL_PASSWORD=", 14) != 0) env.push_back(*e);
  env.push_back(nullptr);
  return env;
}

bool write_all(int fd, const char* p, size_t n) {
  while (n > 0) {
    ssize_t w = write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

// Closes every descriptor from 3 on except `keep`: the child must hold none
// of the collector's files, FIFOs, segments or database sockets.
void close_other_fds(int keep) {
  if (close_range(3, static_cast<unsigned>(keep - 1), 0) == 0 &&
      close_range(static_cast<unsigned>(keep + 1), ~0U, 0) == 0)
    return;
  long max = sysconf(_SC_OPEN_MAX);
  if (max < 0 || max > 65536) max = 65536;
  for (int fd = 3; fd < max; ++fd)
    if (fd != keep) close(fd);
}

// What a child that could not start its program reports to its parent: the
// standard stream it failed to set up (or -1 when exec itself failed) and errno.
struct start_failure {
  int stream = -1;
  int err = 0;
};

// In the forked child: its own process group (so a time-limit signal reaches
// whatever it starts), default signal handling, the given standard streams,
// nothing else open, then the program. Reports a start_failure on `status_fd`
// when a stream or exec fails. Only async-signal-safe calls.
[[noreturn]] void child_side(const char* path, char* const* argv, char* const* envp, int in,
                             int out, int err, int status_fd) {
  setpgid(0, 0);
  struct sigaction dfl;
  memset(&dfl, 0, sizeof dfl);
  dfl.sa_handler = SIG_DFL;
  for (int s = 1; s < NSIG; ++s) sigaction(s, &dfl, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  const int from[3] = {in, out, err};
  for (int stream = 0; stream < 3; ++stream) {
    if (dup2(from[stream], stream) < 0) {
      start_failure f{stream, errno};
      (void)!write(status_fd, &f, sizeof f);
      _exit(127);
    }
  }
  close_other_fds(status_fd);
  execve(path, argv, envp);
  start_failure f{-1, errno};
  (void)!write(status_fd, &f, sizeof f);
  _exit(127);
}

// Reads what the child of `status_fd` reported: true when it failed to start
// (a standard stream, or the exec of a timed or an asynchronous run).
bool child_failed_to_start(int status_fd, bool async, int* error) {
  start_failure f;
  ssize_t got;
  while ((got = read(status_fd, &f, sizeof f)) < 0 && errno == EINTR) {
  }
  if (got != sizeof f) return false;  // closed on exec: the program runs
  *error = f.err;
  if (f.stream >= 0)
    PRINT('e', "uex4060", "dup2 error %d, errno=%d %s\n", f.stream, f.err, strerror(f.err));
  else if (async)
    PRINT('e', "uex9040", "execvp() error, errno=%d %s\n", f.err, strerror(f.err));
  else
    PRINT('e', "uex4080", "exec() error, errno=%d %s\n", f.err, strerror(f.err));
  return true;
}

// Blocks interrupt, quit and alarm signals while a child is created and
// restores the mask afterwards. Blocked rather than ignored: a stop request
// that comes meanwhile is taken as soon as the child exists, not lost. The
// child clears the mask before its program starts.
class fork_signals {
 public:
  fork_signals() {
    sigemptyset(&saved_);
    if (!block(SIGINT, &saved_)) {
      int e = errno;
      PRINT('w', "uex4020", "Error blocking SIGINT. errno=%d %s\n", e, strerror(e));
    }
    if (!block(SIGQUIT, nullptr)) {
      int e = errno;
      PRINT('w', "uex4030", "Error blocking SIGQUIT. errno=%d %s\n", e, strerror(e));
    }
    if (!block(SIGALRM, nullptr)) {
      int e = errno;
      PRINT('w', "uex4040", "Error blocking SIGALRM. errno=%d %s\n", e, strerror(e));
    }
  }
  fork_signals(const fork_signals&) = delete;
  fork_signals& operator=(const fork_signals&) = delete;
  ~fork_signals() {
    // Only what was not blocked before is unblocked again.
    sigset_t s;
    sigemptyset(&s);
    if (!sigismember(&saved_, SIGINT)) sigaddset(&s, SIGINT);
    if (!sigismember(&saved_, SIGQUIT)) sigaddset(&s, SIGQUIT);
    if (sigprocmask(SIG_UNBLOCK, &s, nullptr) != 0) {
      int e = errno;
      PRINT('w', "uex8120", "Error restoring SIGINT and SIGQUIT. errno=%d %s\n", e, strerror(e));
    }
    sigemptyset(&s);
    if (!sigismember(&saved_, SIGALRM)) sigaddset(&s, SIGALRM);
    if (sigprocmask(SIG_UNBLOCK, &s, nullptr) != 0) {
      int e = errno;
      PRINT('w', "uex8140", "Error restoring SIGALRM. errno=%d %s\n", e, strerror(e));
    }
  }

 private:
  static bool block(int sig, sigset_t* old) {
    sigset_t s;
    sigemptyset(&s);
    sigaddset(&s, sig);
    return sigprocmask(SIG_BLOCK, &s, old) == 0;
  }
  sigset_t saved_;
};

// One read of `fd`, repeated when a signal interrupts it; a failure is
// reported (uex1025) unless the descriptor merely has nothing yet.
ssize_t u_blockread(int fd, char* buf, size_t size) {
  ssize_t k;
  while ((k = read(fd, buf, size)) < 0 && errno == EINTR) {
  }
  if (k < 0 && errno != EAGAIN) {
    int e = errno;
    PRINT('e', "uex1025", "read() returned -1. errno=%d %s\n", e, strerror(e));
  }
  return k;
}

int ms_left(steady::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

void sleep_ms(int ms) {
  timespec ts{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

// Waits until `pid` has ended or `deadline` passed; true when it ended. With
// `reap` the child is collected into `status`; without, it stays a zombie, so
// its process id (and group id) cannot be taken by another process meanwhile.
// A process descriptor wakes the wait the moment the child ends; without one
// the wait polls.
bool ended_until(int pid, steady::time_point deadline, bool reap, int* status) {
  unique_fd pidfd(static_cast<int>(syscall(SYS_pidfd_open, pid, 0)));
  for (;;) {
    if (reap) {
      pid_t r = waitpid(pid, status, WNOHANG);
      int e = errno;
      if (exec_traced()) {
        PRINT('t', "uex8050", "Wait loop. pid=%d, rc=%d.\n", pid, static_cast<int>(r));
        if (r != 0)
          PRINT('t', "uex8060", "waitpid() ended=%d (%d %s)\n", static_cast<int>(r), r < 0 ? e : 0,
                r < 0 ? strerror(e) : "");
      }
      if (r == pid || (r < 0 && e != EINTR)) return true;
    } else {
      siginfo_t si;
      memset(&si, 0, sizeof si);
      int r = waitid(P_PID, static_cast<id_t>(pid), &si, WEXITED | WNOHANG | WNOWAIT);
      if ((r == 0 && si.si_pid == pid) || (r < 0 && errno != EINTR)) return true;
    }
    if (steady::now() >= deadline) return false;
    if (pidfd.valid()) {
      pollfd p{pidfd.get(), POLLIN, 0};
      poll(&p, 1, ms_left(deadline));
    } else {
      sleep_ms(10);
    }
  }
}

// Signal 15 to the child's process group, signal 9 a second later to what is
// left of it; returns once the child is reaped.
void terminate_child(int pid, int* status) {
  kill(-pid, SIGTERM);
  ended_until(pid, steady::now() + std::chrono::seconds(1), false, status);
  kill(-pid, SIGKILL);  // the group still exists: its leader is not reaped yet
  kill(pid, SIGKILL);
  while (waitpid(pid, status, 0) < 0 && errno == EINTR) {
  }
}

struct sigpipe_ignored {
  struct sigaction saved;
  sigpipe_ignored() {
    struct sigaction ign;
    memset(&ign, 0, sizeof ign);
    ign.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ign, &saved);
  }
  sigpipe_ignored(const sigpipe_ignored&) = delete;
  sigpipe_ignored& operator=(const sigpipe_ignored&) = delete;
  ~sigpipe_ignored() { sigaction(SIGPIPE, &saved, nullptr); }
};

struct run_request {
  std::vector<std::string> words;  // program name first
  const std::string* stdin_text = nullptr;
  bool stdout_file = false;
  bool join_stderr = false;
  bool no_limit = false;
  bool plain = false;  // u_exec: its own messages for the output file
  int time_limit = kDefaultLimit;
  read_rules rules{kDefaultLines, kDefaultLineLen, false};
};

// Starts the program of `req`, feeds its standard input, reads its output
// under the deadline and reaps it. Fills `opt`'s status and timing fields.
r_exec_chain* run_child(const run_request& req, execopt* opt) {
  opt->status = 2;
  std::string path = find_program(req.words.empty() ? "" : req.words[0]);
  if (path.empty()) {
    PRINT('e', "uex4100", "Command not found: %s.\n",
          req.words.empty() ? "" : req.words[0].c_str());
    opt->status = kNotFound;
    return nullptr;
  }
  std::vector<char*> argv;
  for (const std::string& w : req.words) argv.push_back(const_cast<char*>(w.c_str()));
  argv.push_back(nullptr);

  int p[2];
  unique_fd in_r, in_w, out_r, out_w, status_r, status_w;
  temp_file out_file;
  if (req.stdin_text) {
    if (pipe2(p, O_CLOEXEC) != 0) {
      opt->error = errno;
      PRINT('e', "uex6900", "Unable to write to un-named pipe\n");
      return nullptr;
    }
    in_r.reset(p[0]);
    in_w.reset(p[1]);
  } else {
    in_r.reset(open("/dev/null", O_RDONLY | O_CLOEXEC));
  }
  if (req.stdout_file) {
    if (!out_file.create("rexec")) {
      opt->error = errno;
      PRINT('e', "uex5010", "Create file for piping stdout failed.\n");
      return nullptr;
    }
    out_w.reset(dup(out_file.fd.get()));
  } else {
    if (pipe2(p, O_CLOEXEC) != 0) {
      opt->error = errno;
      PRINT('e', "uex5020", "Create pipe for stdout failed.\n");
      return nullptr;
    }
    out_r.reset(p[0]);
    out_w.reset(p[1]);
  }
  unique_fd err_w(req.join_stderr ? dup(out_w.get()) : open("/dev/null", O_WRONLY | O_CLOEXEC));
  if (pipe2(p, O_CLOEXEC) != 0 || !in_r.valid() || !out_w.valid() || !err_w.valid()) {
    opt->error = errno;
    PRINT('e', "uex5030", "Create pipe for stderr failed.\n");
    return nullptr;
  }
  status_r.reset(p[0]);
  status_w.reset(p[1]);

  std::vector<char*> envp = child_environment();
  auto start = steady::now();
  pid_t pid;
  {
    fork_signals held;
    pid = fork();
    if (pid == 0)
      child_side(path.c_str(), argv.data(), envp.data(), in_r.get(), out_w.get(), err_w.get(),
                 status_w.get());
  }
  if (pid < 0) {
    int e = errno;
    opt->error = e;
    PRINT('e', "uex4050", "Fork failure. errno=%d %s\n", e, strerror(e));
    return nullptr;
  }
  opt->pid = pid;
  setpgid(pid, pid);  // also here, so the group exists before any signal is sent
  if (exec_traced()) PRINT('t', "uex4090", "Child pid= %d.\n", static_cast<int>(pid));
  in_r.reset();
  out_w.reset();
  err_w.reset();
  status_w.reset();

  int status = 0;
  if (child_failed_to_start(status_r.get(), false, &opt->error)) {
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return nullptr;
  }
  opt->status = 0;
  if (!req.stdout_file && !out_r.valid()) {
    PRINT('e', "uex6820", "No pipe created for child stdout\n");
    terminate_child(pid, &status);
    return nullptr;
  }

  auto deadline = start + std::chrono::seconds(req.time_limit);
  sigpipe_ignored no_sigpipe;
  line_collector lines(req.rules);
  size_t fed = 0;
  if (in_w.valid()) fcntl(in_w.get(), F_SETFL, O_NONBLOCK);
  if (in_w.valid() && req.stdin_text->empty()) in_w.reset();
  char buf[8192];
  bool reaped = false;
  while (out_r.valid() || in_w.valid()) {
    pollfd fds[2];
    nfds_t n = 0;
    if (out_r.valid()) fds[n++] = {out_r.get(), POLLIN, 0};
    if (in_w.valid()) fds[n++] = {in_w.get(), POLLOUT, 0};
    int r = poll(fds, n, req.no_limit ? -1 : ms_left(deadline));
    if (r < 0 && errno == EINTR) continue;
    if (r == 0) break;  // time is up
    for (nfds_t i = 0; i < n; ++i) {
      if (!fds[i].revents) continue;
      if (fds[i].fd == out_r.get()) {
        ssize_t k = u_blockread(out_r.get(), buf, sizeof buf);
        if (k <= 0 || !lines.take(buf, static_cast<size_t>(k)))
          out_r.reset();  // at the line limit the child gets SIGPIPE
      } else {
        const std::string& t = *req.stdin_text;
        ssize_t w = write(in_w.get(), t.data() + fed, t.size() - fed);
        if (w > 0) fed += static_cast<size_t>(w);
        if ((w < 0 && errno != EAGAIN && errno != EINTR) || fed == t.size()) {
          if (fed == t.size() && exec_traced())
            PRINT('t', "uex4130", "Wrote parms to stdin pipe '%.100s'\n", t.c_str());
          if (fed != t.size()) PRINT('e', "uex6900", "Unable to write to un-named pipe\n");
          in_w.reset();
        }
      }
    }
  }
  if (!req.no_limit && !out_r.valid() && !in_w.valid())
    reaped = ended_until(pid, deadline, true, &status);
  else if (req.no_limit) {
    pid_t r;
    while ((r = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    int e = errno;
    if (exec_traced())
      PRINT('t', "uex8060", "waitpid() ended=%d (%d %s)\n", static_cast<int>(r), r < 0 ? e : 0,
            r < 0 ? strerror(e) : "");
    reaped = r == pid;
  }
  if (!reaped) {
    opt->timed_out = true;
    PRINT('w', "uex8080", "Child process %.20s did not finish in %d seconds.\n",
          req.words[0].c_str(), req.time_limit);
    terminate_child(pid, &status);
    if (out_r.valid()) {  // what it left behind is still read
      fcntl(out_r.get(), F_SETFL, O_NONBLOCK);
      ssize_t k;
      while ((k = u_blockread(out_r.get(), buf, sizeof buf)) > 0 &&
             lines.take(buf, static_cast<size_t>(k))) {
      }
    }
  }
  opt->wait_status = status;
  opt->elapsed = static_cast<int>(
      std::chrono::duration_cast<std::chrono::seconds>(steady::now() - start).count());
  if (exec_traced() && !opt->timed_out)
    PRINT('t', "uex8070", "finished in %d seconds\n", opt->elapsed);

  if (req.stdout_file) {
    if (exec_traced())
      PRINT('t', "uex6801", "Reading results from file %s\n", out_file.path.c_str());
    // Read by its name, as the child's output is what the file holds now, but
    // only while the name still leads to the file made for this run: one put
    // in its place by someone else is not the child's output.
    unique_fd in(open(out_file.path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    int e = errno;
    struct stat made, found;
    if (in.valid() && (fstat(out_file.fd.get(), &made) != 0 || fstat(in.get(), &found) != 0 ||
                       made.st_dev != found.st_dev || made.st_ino != found.st_ino)) {
      in.reset();
      e = ESTALE;
    }
    if (!in.valid()) {
      if (req.plain)
        PRINT('e', "uex2045", "fopen error (%d %s), file=%s\n", e, strerror(e),
              out_file.path.c_str());
      else
        PRINT('e', "uex6810", "Can't open file %s\n", out_file.path.c_str());
    }
    ssize_t k;
    while (in.valid() && (k = u_blockread(in.get(), buf, sizeof buf)) > 0 &&
           lines.take(buf, static_cast<size_t>(k))) {
    }
  }
  lines.finish();
  return lines.release();
}

// The words of "cmd parms", or of `cmd` alone with `marker` appended.
std::vector<std::string> command_words(const char* cmd, const char* parms) {
  std::vector<std::string> words;
  u_split_words(cmd, words, kMaxWords);
  if (parms) u_split_words(parms, words, kMaxWords);
  if (exec_traced())
    for (size_t i = 0; i < words.size(); ++i)
      PRINT('t', "uex4071", "Parm %d %.200s\n", static_cast<int>(i), words[i].c_str());
  return words;
}

}  // namespace

void u_free_r_chain(r_exec_chain* chain) {
  while (chain) {
    r_exec_chain* next = chain->next;
    delete chain;
    chain = next;
  }
}

void u_split_words(const char* text, std::vector<std::string>& words, size_t max_words) {
  const char* p = text;
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (*p && words.size() < max_words) {
    while (blank(*p)) ++p;
    if (!*p) break;
    std::string w;
    while (*p && !blank(*p)) {
      if (*p == '\'') {
        for (++p; *p && *p != '\''; ++p) w += *p;
        if (*p) ++p;
      } else if (*p == '"') {
        for (++p; *p && *p != '"'; ++p) {
          if (*p == '\\' && p[1] && strchr("\\\"$`", p[1])) ++p;
          w += *p;
        }
        if (*p) ++p;
      } else if (*p == '\\' && p[1]) {
        w += p[1];
        p += 2;
      } else {
        w += *p++;
      }
    }
    words.push_back(std::move(w));
  }
}

std::string u_quote_word(const std::string& value) {
  std::string q = "'";
  for (char c : value) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

r_exec_chain* u_exec(const char* cmd, const char* parms) {
  if (!parms) parms = "";
  run_request req;
  req.plain = true;
  req.rules = {10000, 1023, true};
  // A "zdy" agent collects the program's output, error output included, in a
  // temporary file and reads it once the program has ended. The program still
  // runs from its argument vector: no shell, so the length limit of a shell
  // command line does not apply.
  const bool zdy = env_set(env_vars.db_type) && strncmp(env_vars.db_type, "zdy", 3) == 0;
  size_t len = strlen(cmd) + 1 + strlen(parms);
  if (!zdy && len >= static_cast<size_t>(kCmdLineLimit)) {
    PRINT('e', "uex2051", "cmdparms overflow (%d), cmd=(%s), parms=(%s)\n", static_cast<int>(len),
          cmd, parms);
    return nullptr;
  }
  if (exec_traced()) PRINT('t', "uex2039", "cmdparms to be executed (%s %s)\n", cmd, parms);
  req.words = command_words(cmd, parms);
  req.stdout_file = zdy;
  req.join_stderr = zdy;
  execopt opt;
  r_exec_chain* chain = run_child(req, &opt);
  if (opt.status != 0 && opt.status != kNotFound) {
    int e = opt.error;
    if (zdy)
      PRINT('e', "uex2040", "Command error (%d %s), cmd=(%s)\n", e, strerror(e), cmd);
    else
      PRINT('e', "uex2050", "popen error (%d %s), cmd=%.40s...\n", e, strerror(e), cmd);
  }
  int n = 0;
  for (const r_exec_chain* e = chain; e; e = e->next) {
    ++n;
    if (exec_traced())
      PRINT('t', "uex3050", "u_exec returning Line(%d) ptr(%d) next(%d) value(%s)\n", n, e->len,
            e->next != nullptr, e->line.c_str());
  }
  if (n >= 10000 && exec_traced())
    PRINT('t', "uex2070", "Stopped reading returned data after %d rows\n", n);
  if (!chain && opt.status == 0) {
    int err = errno;
    PRINT('w', "uex2080", "No output (errno:%d %s) returned from command:%.50s...\n", err,
          strerror(err), cmd);
  }
  return chain;
}

r_exec_chain* u_exec_timed(const char* cmd, const char* parms, int time_limit, execopt* opt) {
  if (!parms) parms = "";
  run_request req;
  req.time_limit = time_limit < 1 ? kDefaultLimit : time_limit;
  opt->time_limit = req.time_limit;
  req.no_limit = (opt->options & EXEC_NO_ALARM) != 0;
  req.stdout_file = (opt->options & EXEC_STDOUT_FILE) != 0;
  req.join_stderr = (opt->options & EXEC_JOIN_STDERR) != 0;
  req.rules = {opt->max_lines > 0 ? opt->max_lines : kDefaultLines,
               opt->max_line_len > 0 ? opt->max_line_len : kDefaultLineLen, false};
  if (exec_traced())
    PRINT('t', "uex4010", "Time limit=%d, cmd=%.20s. parms=%.100s\n", req.time_limit, cmd, parms);

  int route = 0;
  if (opt->options & EXEC_PARMS_FILE)
    route = 2;
  else if (opt->options & EXEC_PARMS_STDIN)
    route = 1;
  else if ((opt->options & EXEC_PARMS_BY_LENGTH) &&
           strlen(cmd) + 1 + strlen(parms) >= static_cast<size_t>(kCmdLineLimit))
    route = 1;
  opt->parm_route = route;
  bool marker = (opt->options & EXEC_PARMS_MARKER) != 0;
  std::string stdin_text;
  temp_file parm_file;
  if (route == 0) {
    req.words = command_words(cmd, parms);
  } else if (route == 1) {
    req.words = command_words(cmd, nullptr);
    if (marker) req.words.emplace_back("--");
    stdin_text = parms;
    req.stdin_text = &stdin_text;
  } else {
    if (!parm_file.create("parms") || !write_all(parm_file.fd.get(), parms, strlen(parms))) {
      PRINT('e', "uex5040", "Can't open file %s for write\n", parm_file.path.c_str());
      opt->status = 2;
      return nullptr;
    }
    req.words = command_words(cmd, nullptr);
    req.words.push_back("@" + parm_file.path);
  }
  if (!req.stdin_text && (opt->options & EXEC_STDIN_PIPE)) req.stdin_text = &stdin_text;
  r_exec_chain* chain = run_child(req, opt);
  if (exec_traced()) {
    int n = 0;
    for (const r_exec_chain* e = chain; e; e = e->next)
      PRINT('t', "uex6613", " Line %d (%d)=%s.\n", ++n, e->len, e->line.c_str());
    PRINT('t', "uex6830", "Read %d lines for Command %.50s\n", n, cmd);
  }
  return chain;
}

int u_AsynProcess(const char* cmd, const char* parms) {
  std::vector<std::string> words = command_words(cmd, parms);
  std::string path = find_program(words.empty() ? "" : words[0]);
  if (path.empty()) {
    PRINT('e', "uex4100", "Command not found: %s.\n", cmd);
    return -1;
  }
  std::vector<char*> argv;
  for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
  argv.push_back(nullptr);
  int p[2];
  if (pipe2(p, O_CLOEXEC) != 0) return -1;
  unique_fd pid_r(p[0]), pid_w(p[1]);
  if (pipe2(p, O_CLOEXEC) != 0) return -1;
  unique_fd status_r(p[0]), status_w(p[1]);
  unique_fd devnull(open("/dev/null", O_RDWR | O_CLOEXEC));
  if (!devnull.valid()) return -1;
  std::vector<char*> envp = child_environment();
  // The intermediate child starts the program and ends at once; reaping it
  // here leaves the program to init, so it never lingers as a zombie.
  pid_t mid = fork();
  if (mid < 0) {
    int e = errno;
    PRINT('e', "uex9020", "Fork failure. errno=%d %s\n", e, strerror(e));
    return -1;
  }
  if (mid == 0) {
    pid_t pid = fork();
    if (pid == 0)
      child_side(path.c_str(), argv.data(), envp.data(), devnull.get(), devnull.get(),
                 devnull.get(), status_w.get());
    (void)!write(pid_w.get(), &pid, sizeof pid);
    _exit(pid < 0 ? 1 : 0);
  }
  pid_w.reset();
  status_w.reset();
  int status = 0;
  while (waitpid(mid, &status, 0) < 0 && errno == EINTR) {
  }
  pid_t pid = -1;
  if (read(pid_r.get(), &pid, sizeof pid) != sizeof pid || pid < 0) {
    PRINT('e', "uex9020", "Fork failure. errno=%d %s\n", 0, "intermediate process failed");
    return -1;
  }
  // Told here for the child: it has only async-signal-safe calls to make.
  if (exec_traced()) PRINT('t', "uex9030", "Child process. cmd=%.20s\n", cmd);
  int error = 0;
  if (child_failed_to_start(status_r.get(), true, &error)) return -1;
  if (exec_traced()) PRINT('t', "uex9050", "Child pid= %d.\n", static_cast<int>(pid));
  return pid;
}

int u_ismessage(const char* line) {
  size_t n = strlen(line);
  if (n <= 9) return 0;
  auto upper = [](char c) { return c >= 'A' && c <= 'Z'; };
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  auto level = [](char c) { return c && strchr("EWIST", c) != nullptr; };
  size_t letters = upper(line[3]) ? 4 : 3;
  for (size_t i = 0; i < letters; ++i)
    if (!upper(line[i])) return 0;
  for (size_t i = letters; i < letters + 4; ++i)
    if (!digit(line[i])) return 0;
  return level(line[letters + 4]) && line[letters + 5] == ' ' ? 1 : 0;
}
