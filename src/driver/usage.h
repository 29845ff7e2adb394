// The options both programs take before their settings readers see the
// command line: --help and -h (print the usage text and exit 0) and the
// collector's --check (read and edit the control files, then stop).
#pragma once

// The usage texts, each ending in a newline.
extern const char kCollectorUsage[];
extern const char kProbeUsage[];

// True when an argument after the program name is "--help" or "-h".
bool wants_help(int argc, char** argv);

// Removes every "--check" after the program name from argv, moving the rest
// (and the terminating null, when argv has one) down and lowering *argc.
// Returns true when there was one. The settings readers would otherwise take
// it for a dictionary parameter.
bool take_check_option(int* argc, char** argv);
