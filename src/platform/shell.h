// Shell commands run for their output or for their side effects: the
// start-up defaults that come from commands ("uname -n", "id -un", "pwd") and
// the process listing written when a signal arrives.
#pragma once

#include <string>

// Runs `cmd` through the shell and returns its output: at most 500 lines
// (4,094 characters in all), each stripped of trailing white space, joined
// with single blanks; reading stops after the third empty line. Returns an
// empty text (after message uti2050) when the command cannot be started.
std::string u_shell(const char* cmd);

// Runs `cmd` through the shell with the collector's own standard output and
// error (flushed first, so the command's lines follow the messages before
// it). Returns the status as system() gives it, -1 when no shell could run.
int u_system(const char* cmd);
