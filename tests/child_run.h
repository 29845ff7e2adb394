// Child processes for tests: code that ends the process (exit statuses,
// signals) runs in a forked child, programs run with a controlled
// environment; their standard output and error are captured together.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "std_capture.h"

// Writes `content` to the file `name` in `dir`; returns the file's path.
std::string write_file(const ScratchDir& dir, const std::string& name, const std::string& content);

struct ChildResult {
  bool exited = false;  // ended through exit; exit_code holds the status
  int exit_code = -1;
  int signal = 0;      // the signal that killed it, when it did not exit
  std::string output;  // standard output and error, interleaved
};

// Exit status of a child whose function returned instead of ending the process.
constexpr int kChildReturned = 111;

// Runs `body` in a forked child with standard output and error unbuffered into
// one capture. When `ready` is given, the child gets a pipe write end it may
// write to, and `parent` runs with the child's pid and the read end while the
// child runs.
ChildResult run_in_child(const std::function<void()>& body);
ChildResult run_in_child(const std::function<void(int ready_fd)>& body,
                         const std::function<void(int pid, int ready_fd)>& parent);

// Runs `program` with argument vector `argv` (argv[0] included; may be empty)
// and exactly the environment `env` ("NAME=value" texts) in directory `dir`.
ChildResult run_program(const std::string& program, const std::vector<std::string>& argv,
                        const std::vector<std::string>& env, const std::string& dir);

// Starts `program` as run_program does, without waiting, its output appended
// to the file `output`; returns its pid.
int start_program(const std::string& program, const std::vector<std::string>& argv,
                  const std::vector<std::string>& env, const std::string& dir,
                  const std::string& output);

// Checks `done` until it holds or `limit` passes, every 100 ms; whether it held.
bool poll_until(std::chrono::milliseconds limit, const std::function<bool()>& done);

// The collector program started in `dir` with environment `env`, its output
// in dir/collector.log; killed at the end unless it ended.
struct CollectorRun {
  CollectorRun(const std::vector<std::string>& env, const std::string& dir);
  ~CollectorRun();
  CollectorRun(const CollectorRun&) = delete;
  CollectorRun& operator=(const CollectorRun&) = delete;
  // Waits at most `limit` for the end: its exit status, 128 + signal, or -1 while it runs.
  int wait(std::chrono::milliseconds limit);

  pid_t pid;
  int status = -1;  // once it ended, what wait() returns
};

// Captures this process's standard output and error (unbuffered, interleaved)
// from construction until finish().
class OutputCapture {
 public:
  OutputCapture() { setvbuf(stdout, nullptr, _IONBF, 0); }
  ~OutputCapture() { setvbuf(stdout, nullptr, _IOLBF, BUFSIZ); }
  // Restores the streams and returns what was written meanwhile.
  std::string finish() { return std_.out(); }

 private:
  StdCapture std_{true};
};
