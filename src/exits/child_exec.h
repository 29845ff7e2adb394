// The process layer: external programs run for their output lines, under a
// time limit, with their parameters on the command line, on standard input or
// in a file, or started without waiting. Programs are always started with
// execv on an argument vector, never through a shell.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One output line of a child (without its newline).
struct r_exec_chain {
  r_exec_chain* next = nullptr;
  int32_t len = 0;
  std::string line;
};

// Frees a chain returned by u_exec or u_exec_timed (null is fine).
void u_free_r_chain(r_exec_chain* chain);

// Option bits of execopt::options.
enum : uint32_t {
  EXEC_STDOUT_FILE = 0x001,      // standard output through a temporary file, not a pipe
  EXEC_JOIN_STDERR = 0x002,      // standard error joined to standard output
  EXEC_PARMS_STDIN = 0x004,      // parameters through standard input
  EXEC_PARMS_FILE = 0x008,       // parameters through a parameter file
  EXEC_PARMS_BY_LENGTH = 0x010,  // command line when short enough, else standard input
  EXEC_PARMS_MARKER = 0x020,     // tell the child where its parameters are (" --" or " @file")
  EXEC_NO_WAIT = 0x040,          // do not wait (u_AsynProcess)
  EXEC_NO_ALARM = 0x080,         // no time limit
  EXEC_STDIN_PIPE = 0x100,       // give the child a standard-input pipe
};

// Execution options of a timed run, and what became of it.
struct execopt {
  uint32_t options = 0;    // EXEC_ bits
  int status = 0;          // 0 ran, 2 failed to start, 30 program not found
  int max_lines = 0;       // output lines kept; 0 means 30,000
  int time_limit = 0;      // seconds; less than 1 means 600
  int max_line_len = 0;    // longest line kept (longer ones are cut); 0 means 16,000
  int parm_route = 0;      // 0 command line, 1 standard input, 2 parameter file (set by the run)
  bool timed_out = false;  // the child was terminated at its time limit
  int elapsed = 0;         // seconds the child ran
  int wait_status = 0;     // the status waitpid gave
  int pid = 0;             // the child's process id (0 when none started)
  int error = 0;           // errno of a failed start (fork or exec), else 0
};

// Splits `text` into words as a POSIX shell would without expanding anything:
// blanks, tabs and newlines separate words; apostrophes quote everything up to
// the next apostrophe; double quotes quote up to the next unescaped double
// quote, a backslash there escaping only \ " $ and `; outside quotes a
// backslash escapes the next character. Appends at most `max_words` words.
void u_split_words(const char* text, std::vector<std::string>& words, size_t max_words = 500);

// Quotes `value` so that u_split_words (and a shell) reads it back as exactly
// one word equal to `value`: in apostrophes, an inner apostrophe as '\''.
std::string u_quote_word(const std::string& value);

// Runs `cmd` with `parms` on its command line to completion (at most 600
// seconds) and returns its output lines, at most 10,000 of at most 1,023
// characters; lines that are only a newline are skipped and six in a row end
// the reading. Null when there was no output (after uex2080) or the program
// could not start. The caller frees the chain with u_free_r_chain.
[[nodiscard]] r_exec_chain* u_exec(const char* cmd, const char* parms);

// Runs `cmd` with `parms` passed as `opt->options` asks, terminating it (and
// whatever it started) with signal 15 after `time_limit` seconds and with
// signal 9 a second later; returns its output lines read until then (null when
// none). `opt` (borrowed for the call) receives the status, the route taken
// and whether the limit struck. The child is always reaped before return.
[[nodiscard]] r_exec_chain* u_exec_timed(const char* cmd, const char* parms, int time_limit,
                                         execopt* opt);

// Starts `cmd` with `parms` on its command line and returns its process id
// without waiting, or -1 when it could not start. The program is detached
// (its parent has already been reaped), so it never becomes a zombie.
int u_AsynProcess(const char* cmd, const char* parms);

// 1 when `line` is in the collector's message format: three upper-case
// letters, four digits, a level letter (E, W, I, S or T) and a blank, or four
// upper-case letters, four digits, a level letter and a blank; the line must
// be longer than 9 characters. Otherwise 0.
int u_ismessage(const char* line);
