// The message service's process-wide state: the open print file, the standard
// streams it copies to, the console prefix, the line counters of both writers
// and the settings read once from the environment.
#pragma once

#include <cstdio>
#include <string>

struct print_state {
  FILE* stder = nullptr;           // the open print file; null while none is open
  char stder_filename[1024] = {};  // full path of the print file; empty after a failed open
  char print_name[32] = {};        // the name the print file was opened under ("col.out", ...)
  FILE* my_stdout = nullptr;       // standard output once reopened on "col.log"
  FILE* log_stream = stderr;       // standard error (the log file); null after a failed reopen
  std::string msgPrefix;           // text before every console-mode message
  int print_out_lines = 0;         // PRINT's lines counted for the print file
  int print_log_lines = 0;         // PRINT's lines counted for the log file
  int umsg_out_lines = 0;          // u_msg's lines counted for the print file
  int umsg_log_lines = 0;          // u_msg's lines counted for the log file
  int wrap_limit = -1;             // COLL_WRAPLINES as used; -1 until read
  int backup_count = -1;           // COLL_NUMOUTBAK as used; -1 until read
  int open_failures = 0;           // failed opens of the print file so far
  int NumberOfCollectors = 1;      // collectors in this process; above 1 names senders
  int temp_sequence = 0;           // last sequence number of a temporary-file name (1..101)
  std::string tmpdir_checked;      // localtmpdir value whose existence was last ensured
  bool tmpdir_usable = false;      // that directory exists (else "." is used)
};

extern print_state print_globals;

// Closes the print file and clears the state (tests start from here). Standard
// output and error are left as they are.
void reset_print_state();
