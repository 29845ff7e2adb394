// The collector's command line: the keyword reader of the raw arguments
// (parse_argv), the argument-file expander (parseCmdline) and the option-table
// reader (parseQVBCmdline), which together with get_envs fill the settings.
#pragma once

#include <string>
#include <vector>

// First reading of the raw arguments: settings keywords, -version (dumps the
// headers of the built-in program list and carries on), trace switches -v...
// and -d..., and "-name value" dictionary parameters. Returns 1.
int parse_argv(int argc, char** argv);

// Expands argument files ("-filein FILE" or "@FILE", at most 10 per run) in
// place and removes the -ddd... trace texts and the -testI32Cap/-testI64Cap
// switches. Returns the new null-terminated vector, also left in
// globals.Argv/globals.Argc (owned there). Exits with status 15 on the
// eleventh argument file and 95 when an argument file cannot be read.
char** parseCmdline(int argc, char** argv);

// The words of an argument file: split at blanks, tabs, line ends (and NULs);
// a word that begins with a double or single quote runs to the next quote of
// the same kind (or the end of the text), and the quotes are dropped.
std::vector<std::string> split_arg_words(const std::string& text);

// Runs parseCmdline, then reads the leading options of the option table.
// "-version FILE..." dumps the headers of the named files and exits with
// status 0; "-debug" switches trace levels 0-8 to 23. Returns the number of
// argument words consumed.
int parseQVBCmdline(int argc, char** argv);

// parseQVBCmdline (when argc is at least 1), then get_envs on env_vars.
// Returns the number of argument words parseQVBCmdline consumed.
int QVB_getenv(int argc, char** argv);
