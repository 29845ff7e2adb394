// A mailbox between signal handlers and the main loop. A handler only notes
// that its signal came (and who sent it); the loop takes the notes at points
// where no list or heap block is half changed and acts on them there.
#pragma once

#include <csignal>

// Notes `sig` with the sender information of `info` (may be null). Safe to
// call from a signal handler. A signal already noted and not yet taken is
// noted once, as the kernel itself merges a repeated standard signal.
void signal_box_put(int sig, const siginfo_t* info);

// True when a noted signal waits to be taken.
bool signal_box_waiting();

// Takes the signal noted first: returns its number and fills `info` (si_pid,
// si_uid and si_code; si_pid 0 when the sender was not known). Returns 0 when
// nothing waits.
int signal_box_take(siginfo_t* info);

// Forgets every note (tests start from here).
void signal_box_clear();
