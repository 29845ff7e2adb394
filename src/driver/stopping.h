// The ways the collector ends: the stop routine, the exit hook and the
// signal handling that turns a terminating signal into an orderly stop.
#pragma once

#include <csignal>

// Non-zero: a stop was requested (by a signal, a SHUTDOWN request or the stop
// time).
extern int go_home;

// Stops the collector: restores the signal dispositions, shuts the transport
// to the probe down, frees all cursors, prints "Collector ended" (ggn1505) and
// closes the print file. Exits with status 0, except for code -1, which
// returns to the caller (used before the collector replaces itself). Codes:
// -1001 a control file or edit failed, -1003 settings missing, 0 interrupt.
void quitting(int code);

// Registered with atexit: prints "Exiting collector" (col9999) unless a stop
// was requested by a signal (go_home set).
void my_atexit();

// on != 0: installs catch_signal by the level in env_vars.nosignals (4 or more:
// nothing; below 4: SIGINT, SIGTERM; below 3 also SIGQUIT, SIGABRT, SIGUSR1,
// SIGUSR2, with SIGHUP and SIGTTOU ignored), saving each previous disposition
// the first time. on == 0: restores the saved dispositions.
void set_signal(int on);

// The handler installed for the signals above. It only notes the signal:
// stopping frees lists and heap blocks the interrupted code may be changing,
// so the work waits for run_caught_signals at a point where none is. A stop
// cannot wait for ever, though: a second SIGINT or SIGTERM, or a stop not
// finished within the grace time (60 seconds; SIGALRM), removes the request
// pipe and the IPC objects and ends the process at once (cir5009, status 0).
void catch_signal(int sig, siginfo_t* info, void* context);

// Runs do_interrupt for each signal caught since the last call, in the order
// they came; called by the scheduling loop between units of work and after
// every wait. Returns how many ran (a stopping signal does not return).
int run_caught_signals();

// What a caught signal does. SIGHUP, SIGTTOU, SIGCHLD and SIGUSR1 are logged and
// ignored; any other signal requests the stop, waits 10 seconds, terminates
// the transport, commits open database work, waits 10 more seconds and ends
// through quitting(0). `info` may be null (no sender information).
void do_interrupt(int sig, siginfo_t* info, void* context);

// Seconds a stop may take before it is forced (tests shorten it).
void set_stop_grace(unsigned seconds);

// Restores the dispositions and forgets the saved ones (tests start from here).
void reset_signal_state();
