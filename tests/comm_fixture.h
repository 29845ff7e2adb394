// Test support for the transports: a private temporary directory and server
// id per test, message capture with the time stamps blanked and checks that
// IPC objects are gone.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/sem.h>
#include <sys/shm.h>
#include <unistd.h>

#include <regex>
#include <string>

#include "child_run.h"
#include "comm/comm.h"
#include "test_state.h"

// How many of the four objects of a key file (segment, semaphore set,
// segment, semaphore set) exist: 4 while in use, 0 once removed.
inline int live_ipc(int req_shm, int req_sem, int data_shm, int data_sem) {
  shmid_ds ds;
  int n = 0;
  for (int id : {req_shm, data_shm}) n += id >= 0 && shmctl(id, IPC_STAT, &ds) == 0;
  for (int id : {req_sem, data_sem}) n += id >= 0 && semctl(id, 0, GETVAL) >= 0;
  return n;
}

// Message text with each "(HHMMSS)" blanked to "(hhmmss)".
inline std::string blank_times(const std::string& text) {
  return std::regex_replace(text, std::regex("\\(\\d{6}\\)"), "(hhmmss)");
}

// Standard output and error from construction until text(), times blanked.
struct CapturedOutput : OutputCapture {
  std::string text() { return blank_times(finish()); }
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
