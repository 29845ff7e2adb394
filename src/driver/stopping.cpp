// Stopping the collector: quitting, the exit hook, and the signal handlers
// that request the stop.
#include "driver/stopping.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "comm/comm.h"
#include "ctl/collect.h"
#include "driver/cluster.h"
#include "driver/cursor_run.h"
#include "driver/startup.h"
#include "expr/terms.h"
#include "platform/emergency.h"
#include "platform/shell.h"
#include "platform/signal_box.h"
#include "rows/database.h"
#include "rows/row_chain.h"
#include "util/clock.h"
#include "util/print.h"
#include "util/settings.h"
#include "util/timetext.h"

int go_home = 0;

namespace {
// The signals the collector handles, in the order they are installed.
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGTTOU, SIGQUIT, SIGABRT, SIGUSR1, SIGUSR2};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

struct signal_state {
  bool saved[kSignalCount] = {};                 // previous[i] holds the disposition before ours
  bool installed[kSignalCount] = {};             // kSignals[i] is ours now
  struct sigaction previous[kSignalCount] = {};  // dispositions found at the first switch-on
};
signal_state signals;

// A stop that the main loop has not finished this many seconds after its
// signal came is forced: the main loop may be stuck in a database call that
// does not return. The orderly stop itself pauses 20 seconds.
unsigned stop_grace = 60;

// Set by the first SIGINT or SIGTERM; the next one, or the timer, forces the stop.
volatile sig_atomic_t stop_pending = 0;
struct sigaction previous_alarm = {};
bool alarm_installed = false;

[[noreturn]] void force_stop() {
  emergency_exit("CIR5009S Stop forced: request pipe and IPC objects removed\n", 0);
}

void on_stop_timer(int) {
  if (stop_pending) force_stop();
}

// Sleeps the whole `seconds` even when signals cut single sleeps short.
void pause_whole(unsigned seconds) {
  const time_t end = clock_time() + seconds;
  for (time_t now = clock_time(); now < end; now = clock_time())
    current_clock().sleep_for(static_cast<unsigned>(end - now));
}

}  // namespace

void quitting(int code) {
  char when[u_time_buffer_size];
  u_get_time(when, TIME_SLASHED);
  // A stop during start-up points the starter at the messages.
  if (code != 0 && code != -1) report_startup_failure();
  set_signal(0);
  transport_shut();
  // The cursors' rows, open clusters and queued follow-up runs live outside
  // the definitions' arena and go first.
  reset_clusters();
  reset_run_state();
  release_all_rows();
  reset_expr_state();  // term tables, parsed texts and conditions
  del_curs();
  PRINT('s', "ggn1505", "Time = %s, Collector ended\n", when);
  close_PRINT();
  if (code == -1) return;
  exit(0);
}

void my_atexit() {
  if (go_home) return;
  char when[u_time_buffer_size];
  PRINT('s', "col9999", "Exiting collector at %s\n", u_get_time(when, TIME_LONG));
}

void set_signal(int on) {
  if (!on) {
    // A stop under way keeps its timer: the rest of the stop may hang too.
    if (alarm_installed && !stop_pending) {
      alarm(0);
      sigaction(SIGALRM, &previous_alarm, nullptr);
      alarm_installed = false;
    }
    for (int i = 0; i < kSignalCount; ++i) {
      if (!signals.installed[i]) continue;
      sigaction(kSignals[i], &signals.previous[i], nullptr);
      signals.installed[i] = false;
    }
    return;
  }
  const unsigned level = env_vars.nosignals;
  struct sigaction handler = {};
  handler.sa_sigaction = catch_signal;
  handler.sa_flags = SA_SIGINFO | SA_RESTART;
  sigemptyset(&handler.sa_mask);
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);

  if (level < 4 && !alarm_installed) {
    struct sigaction timer = {};
    timer.sa_handler = on_stop_timer;
    sigemptyset(&timer.sa_mask);
    alarm_installed = sigaction(SIGALRM, &timer, &previous_alarm) == 0;
  }
  for (int i = 0; i < kSignalCount; ++i) {
    const int sig = kSignals[i];
    const bool terminating = sig == SIGINT || sig == SIGTERM;
    if (level >= 4 || (!terminating && level >= 3)) continue;
    const bool ignored = sig == SIGHUP || sig == SIGTTOU;
    struct sigaction* old = signals.saved[i] ? nullptr : &signals.previous[i];
    if (sigaction(sig, ignored ? &ignore : &handler, old) == 0) {
      signals.saved[i] = true;
      signals.installed[i] = true;
    }
  }
}

void catch_signal(int sig, siginfo_t* info, void*) {
  if (sig == SIGINT || sig == SIGTERM) {
    // A second stop signal means the first was not enough.
    if (stop_pending) force_stop();
    stop_pending = 1;
    alarm(stop_grace);
  }
  signal_box_put(sig, info);
}

int run_caught_signals() {
  int ran = 0;
  siginfo_t info;
  // A stop ends in exit() inside do_interrupt; signals caught during its
  // pauses are never taken.
  while (int sig = signal_box_take(&info)) {
    do_interrupt(sig, &info, nullptr);
    ++ran;
  }
  return ran;
}

void do_interrupt(int sig, siginfo_t* info, void*) {
  PRINT('i', "cir5002", "Signal captured type: %d\n", sig);
  if (info && info->si_pid != 0) {
    PRINT('i', "cir5003", "   Process id: %d Uid: %d Code: %d\n", static_cast<int>(info->si_pid),
          static_cast<int>(info->si_uid), info->si_code);
    char cmd[64];
    snprintf(cmd, sizeof cmd, "ps -ef | grep %d", static_cast<int>(info->si_pid));
    // The listing lands in the log beside the messages and names the sender.
    if (FILE* f = print_stream()) fflush(f);
    u_system(cmd);
  }
  if (sig == SIGHUP || sig == SIGTTOU || sig == SIGCHLD || sig == SIGUSR1) {
    PRINT('i', "cir5004", "Received interupt (%d). Returning\n", sig);
    return;
  }
  ++go_home;
  PRINT('s', "cir5005", "Received interupt (%d). Quitting.\n", sig);
  // The timer covers the orderly stop from here: its pauses, then the
  // transport and the commit, each of which may hang.
  stop_pending = 1;
  alarm(stop_grace);
  // The pause gives a probe in the middle of a request time to finish it.
  pause_whole(10);
  if (transport_term() != 0) U_MSG("e", "cir5008", "Error terminating PXA IPC environment");
  if (database_connected()) commit_collect(-1);
  pause_whole(10);
  quitting(0);
}

void set_stop_grace(unsigned seconds) { stop_grace = seconds; }

void reset_signal_state() {
  stop_pending = 0;
  set_signal(0);
  emergency_clear();
  signals = signal_state{};
  go_home = 0;
  signal_box_clear();
}
