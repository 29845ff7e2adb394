// Child processes, scratch directories and output capture for tests.
#include "child_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

namespace {
std::string make_temp_file() {
  char name[] = "/tmp/collector-capture.XXXXXX";
  int fd = mkstemp(name);
  if (fd < 0) throw std::runtime_error("mkstemp failed");
  close(fd);
  return name;
}

// Standard output and error both append to `file`, unbuffered, so that the
// lines of both keep their order.
void redirect_to(const std::string& file) {
  int fd = open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
  dup2(fd, 1);
  dup2(fd, 2);
  close(fd);
  setvbuf(stdout, nullptr, _IONBF, 0);
}

ChildResult wait_for(pid_t pid, const std::string& file) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  ChildResult r{WIFEXITED(status), WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                WIFSIGNALED(status) ? WTERMSIG(status) : 0, read_whole(file)};
  unlink(file.c_str());
  return r;
}
}  // namespace

std::string write_file(const ScratchDir& dir, const std::string& name, const std::string& content) {
  write_whole(dir.file(name), content);
  return dir.file(name);
}

ChildResult run_in_child(const std::function<void()>& body) {
  return run_in_child([&](int) { body(); }, nullptr);
}

ChildResult run_in_child(const std::function<void(int)>& body,
                         const std::function<void(int, int)>& parent) {
  std::string file = make_temp_file();
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  fflush(nullptr);
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    close(fds[0]);
    redirect_to(file);
    body(fds[1]);
    fflush(nullptr);
    _exit(kChildReturned);
  }
  close(fds[1]);
  if (parent) parent(pid, fds[0]);
  close(fds[0]);
  return wait_for(pid, file);
}

int start_program(const std::string& program, const std::vector<std::string>& argv,
                  const std::vector<std::string>& env, const std::string& dir,
                  const std::string& output) {
  std::vector<char*> args, envp;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  args.push_back(nullptr);
  envp.push_back(nullptr);
  fflush(nullptr);
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    redirect_to(output);
    if (chdir(dir.c_str()) != 0) _exit(126);
    execve(program.c_str(), args.data(), envp.data());
    _exit(127);
  }
  return pid;
}

ChildResult run_program(const std::string& program, const std::vector<std::string>& argv,
                        const std::vector<std::string>& env, const std::string& dir) {
  std::string file = make_temp_file();
  return wait_for(start_program(program, argv, env, dir, file), file);
}

bool poll_until(std::chrono::milliseconds limit, const std::function<bool()>& done) {
  for (auto end = std::chrono::steady_clock::now() + limit;; usleep(100000)) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
  }
}

CollectorRun::CollectorRun(const std::vector<std::string>& env, const std::string& dir)
    : pid(start_program(COLLECTOR_BIN, {COLLECTOR_BIN}, env, dir, dir + "/collector.log")) {}

CollectorRun::~CollectorRun() {
  if (status < 0 && kill(pid, SIGKILL) == 0) waitpid(pid, nullptr, 0);
}

int CollectorRun::wait(std::chrono::milliseconds limit) {
  int s = 0;
  if (status < 0 && poll_until(limit, [&] { return waitpid(pid, &s, WNOHANG) == pid; }))
    status = WIFEXITED(s) ? WEXITSTATUS(s) : 128 + WTERMSIG(s);
  return status;
}
