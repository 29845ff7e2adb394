// Test support for the transports: a private temporary directory and server
// id per test, message capture with the time stamps blanked, child processes
// and checks that IPC objects are gone.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/sem.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>

#include "comm/comm.h"
#include "std_capture.h"
#include "test_state.h"

inline bool shm_exists(int id) {
  shmid_ds ds;
  return shmctl(id, IPC_STAT, &ds) == 0;
}
inline bool sem_exists(int id) { return semctl(id, 0, GETVAL) >= 0; }

// Runs `body` in a child process whose exit status is its result.
inline pid_t fork_child(const std::function<int()>& body) {
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    int rc = body();
    fflush(nullptr);
    _exit(rc);
  }
  return pid;
}

// Waits for `pid`; its exit status, or 128 + signal.
inline int wait_child(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Sends standard output and error into a file until text() is called; the
// text comes back with "(HHMMSS)" blanked to "(hhmmss)".
class CapturedOutput {
 public:
  explicit CapturedOutput(const std::string& path) : path_(path) {
    fflush(nullptr);
    saved_out_ = dup(1);
    saved_err_ = dup(2);
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0600);
    dup2(fd, 1);
    dup2(fd, 2);
    close(fd);
  }
  ~CapturedOutput() { restore(); }
  std::string text() {
    restore();
    std::string all;
    if (FILE* f = fopen(path_.c_str(), "r")) {
      char buf[4096];
      for (size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;) all.append(buf, n);
      fclose(f);
    }
    all = std::regex_replace(all, std::regex("\\(\\d{6}\\)"), "(hhmmss)");
    return all;
  }

 private:
  void restore() {
    if (saved_out_ < 0) return;
    fflush(nullptr);
    dup2(saved_out_, 1);
    dup2(saved_err_, 2);
    close(saved_out_);
    close(saved_err_);
    saved_out_ = saved_err_ = -1;
  }
  std::string path_;
  int saved_out_ = -1, saved_err_ = -1;
};

// Each test: a fresh process state, its own directory as `localtmpdir` and
// its own server id, short timeouts.
class CommTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_process_state();
    dir_ = scratch_.path();
    server_ = "T" + std::to_string(getpid());
    env_vars.localtmpdir = env_store(dir_);
    env_vars.serverid = env_store(server_);
    env_vars.db_type = env_store("zdb");
    env_vars.hostname = env_store("hst");
    setenv("COLL_WAIT_TIMEOUT", "1", 1);
    setenv("WAIT_TIMEOUT", "1", 1);
  }
  void TearDown() override { reset_process_state(); }
  void use_pipes_transport() { env_vars.useshm = env_store("0"); }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  ScratchDir scratch_;
  std::string dir_;
  std::string server_;
};
