// Stopping: quitting with and without return, the exit hook, the signal
// dispositions by level, and real signals delivered to a child collector
// state (SIGUSR1 logged and ignored, terminating signals stopping it).
#include "driver/stopping.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/sem.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>

#include "child_run.h"
#include "driver/startup.h"
#include "fake_clock.h"
#include "message_lines.h"
#include "platform/emergency.h"
#include "test_state.h"
#include "under_sanitizer.h"
#include "util/print.h"

namespace {
constexpr time_t kNoon = 1709294400;  // 2024-03-01 12:00:00 UTC
constexpr int kHandled[] = {SIGINT, SIGTERM, SIGHUP, SIGTTOU, SIGQUIT, SIGABRT, SIGUSR1, SIGUSR2};

// One letter a signal: 'h' catch_signal, 'i' ignored, 'o' anything else.
std::string dispositions() {
  std::string s;
  for (int sig : kHandled) {
    struct sigaction cur;
    sigaction(sig, nullptr, &cur);
    bool info = cur.sa_flags & SA_SIGINFO;
    s += info && cur.sa_sigaction == catch_signal ? 'h'
         : !info && cur.sa_handler == SIG_IGN     ? 'i'
                                                  : 'o';
  }
  return s;
}

// The lines of a child's output that show how it stopped.
std::vector<std::string> stop_lines(const std::string& output) {
  std::vector<std::string> kept;
  for (const std::string& line : message_lines(output, false))
    for (const char* prefix : {"CIR", "GGN", "COL", "slept"})
      if (line.starts_with(prefix)) kept.push_back(line);
  return kept;
}

// In a child: UTC, a simulated clock at kNoon whose total sleep is printed at
// exit, and my_atexit registered as start-up does.
FakeClock* child_clock = nullptr;
void child_setup() {
  reset_process_state();
  setenv("TZ", "UTC", 1);
  tzset();
  child_clock = new FakeClock(kNoon);
  child_clock->install();
  atexit([] { printf("slept %u\n", child_clock->slept()); });
  atexit(my_atexit);
}

class Stopping : public ::testing::Test {
 protected:
  void SetUp() override { reset_process_state(); }
  void TearDown() override { reset_process_state(); }
};

void previous_handler(int) {}

// False after 10 seconds without a byte on `fd` or when its writer is gone: a
// broken handler fails the test instead of hanging it.
bool ready_reported(int fd) {
  struct pollfd p = {fd, POLLIN, 0};
  char c;
  return poll(&p, 1, 10000) == 1 && read(fd, &c, 1) == 1;
}

TEST_F(Stopping, DispositionsByLevelAndQuittingMinusOne) {
  struct row {
    uint16_t nosignals;
    const char* installed;  // INT TERM HUP TTOU QUIT ABRT USR1 USR2
  } rows[] = {
      {0, "hhiihhhh"},      // everything
      {2, "hhiihhhh"},      //
      {3, "hhoooooo"},      // only the terminating signals
      {4, "oooooooo"},      // nothing
      {65535, "oooooooo"},  // (a negative COLL_NOSIGNALS)
  };
  // A handler of someone else's on SIGUSR1 comes back after switching off,
  // even when switching on twice might have saved the collector's own.
  struct sigaction mine = {}, old;
  mine.sa_handler = previous_handler;
  sigemptyset(&mine.sa_mask);
  ASSERT_EQ(sigaction(SIGUSR1, &mine, &old), 0);
  ASSERT_EQ(dispositions(), "oooooooo");
  for (const row& r : rows) {
    reset_process_state();
    env_vars.nosignals = r.nosignals;
    set_signal(1);
    set_signal(1);
    EXPECT_EQ(dispositions(), r.installed) << r.nosignals;
    set_signal(0);
    EXPECT_EQ(dispositions(), "oooooooo") << r.nosignals;
    struct sigaction now;
    sigaction(SIGUSR1, nullptr, &now);
    EXPECT_EQ(now.sa_handler, previous_handler) << r.nosignals;
  }
  // Quitting with -1 shuts down, restores the signals and returns.
  reset_process_state();
  set_signal(1);
  OutputCapture capture;
  quitting(-1);
  EXPECT_EQ(message_lines(capture.finish()).at(0).substr(0, 16), "GGN1505S Time = ");
  EXPECT_EQ(dispositions(), "oooooooo");
  EXPECT_EQ(print_stream(), nullptr);
  sigaction(SIGUSR1, &old, nullptr);
}

// A collector state waiting in a child; the parent sends real signals.
TEST_F(Stopping, Usr1IsLoggedAndIgnoredUsr2Stops) {
  ChildResult child = run_in_child(
      [](int ready) {
        child_setup();
        set_signal(1);
        // Reports and waits for a signal, acts on it as the scheduling loop
        // does, and reports again after every one that returns; the signals
        // stay blocked outside the wait, so none slips in between the report
        // and the wait.
        sigset_t handled, waiting;
        sigemptyset(&handled);
        for (int sig : kHandled) sigaddset(&handled, sig);
        sigprocmask(SIG_BLOCK, &handled, &waiting);
        for (;;) {
          (void)!write(ready, "r", 1);
          sigsuspend(&waiting);
          run_caught_signals();
        }
      },
      [](int pid, int ready) {
        ASSERT_TRUE(ready_reported(ready));
        kill(pid, SIGUSR1);
        EXPECT_TRUE(ready_reported(ready));  // back in its loop
        kill(pid, SIGUSR2);
      });
  const std::string sender = "CIR5003I    Process id: " + std::to_string(getpid()) +
                             " Uid: " + std::to_string(getuid()) + " Code: 0";
  EXPECT_TRUE(child.exited);
  EXPECT_EQ(child.exit_code, 0);
  EXPECT_EQ(
      stop_lines(child.output),
      (std::vector<std::string>{
          "CIR5002I Signal captured type: 10", sender, "CIR5004I Received interupt (10). Returning",
          "CIR5002I Signal captured type: 12", sender, "CIR5005S Received interupt (12). Quitting.",
          "GGN1505S Time = 2024/03/01 12:00:20, Collector ended", "slept 20"}));
}

// A stop the main loop never acts on (it is stuck, here in a long sleep, as
// in a database call that does not return) is forced: the request pipe and
// the IPC objects are removed and the process ends.
TEST_F(Stopping, AStuckStopIsForced) {
  struct row {
    std::vector<int> signals;  // sent in this order
    unsigned grace;            // seconds the stop may stay unhandled
  } rows[] = {
      // A second stop signal forces it at once (two different ones: two of a
      // kind could merge while pending).
      {{SIGTERM, SIGINT}, 600},
      {{SIGTERM}, 1},  // the first one, left unhandled past the grace time
  };
  for (const row& r : rows) {
    ScratchDir dir;
    const std::string fifo = dir.path() + "/requests";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int shm = shmget(IPC_PRIVATE, 4096, IPC_CREAT | 0600);
    const int sem = semget(IPC_PRIVATE, 2, IPC_CREAT | 0600);
    ASSERT_GE(shm, 0);
    ASSERT_GE(sem, 0);
    ChildResult child = run_in_child(
        [&](int ready) {
          child_setup();
          set_stop_grace(r.grace);
          emergency_note_path(fifo.c_str());
          emergency_note_shm(shm);
          emergency_note_sem(sem);
          set_signal(1);
          (void)!write(ready, "r", 1);
          for (;;) sleep(1000);
        },
        [&](int pid, int ready) {
          ASSERT_TRUE(ready_reported(ready));
          for (int sig : r.signals) kill(pid, sig);
        });
    EXPECT_TRUE(child.exited) << r.signals.size();
    EXPECT_EQ(child.exit_code, 0) << r.signals.size();
    EXPECT_NE(child.output.find("CIR5009S Stop forced"), std::string::npos) << child.output;
    struct stat st;
    EXPECT_NE(lstat(fifo.c_str(), &st), 0) << r.signals.size();
    shmid_ds ds;
    semid_ds sds;
    EXPECT_NE(shmctl(shm, IPC_STAT, &ds), 0) << r.signals.size();
    EXPECT_NE(semctl(sem, 0, IPC_STAT, &sds), 0) << r.signals.size();
    shmctl(shm, IPC_RMID, nullptr);
    semctl(sem, 0, IPC_RMID);
  }
}

#ifndef UNDER_SANITIZER
// The sanitizer's allocator reports a failed allocation itself.
TEST_F(Stopping, RunningOutOfMemoryEndsWithStatus4) {
  ChildResult child = run_in_child([] {
    child_setup();
    install_memory_handler();
    volatile size_t huge = SIZE_MAX / 4;
    char* p = new char[huge];
    printf("allocated %p\n", static_cast<void*>(p));
  });
  EXPECT_EQ(child.exit_code, 4);
  EXPECT_NE(child.output.find(" - operator new for 0 bytes"), std::string::npos) << child.output;
  EXPECT_NE(child.output.find("UTM5400E"), std::string::npos) << child.output;
}
#endif

}  // namespace
