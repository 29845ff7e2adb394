// The collector's command line: the keyword reader of the raw arguments
// (parse_argv), the argument-file expander (parseCmdline) and the option-table
// reader (parseQVBCmdline), which together with get_envs fill the settings.
#pragma once

#include "util/command_line.h"

// First reading of the raw arguments: settings keywords, -version (dumps the
// headers of the built-in program list and carries on), trace switches -v...
// and -d..., and "-name value" dictionary parameters. Returns 1.
int parse_argv(int argc, char** argv);

// Runs parseCmdline, then reads the leading options of the option table.
// "-version FILE..." dumps the headers of the named files and exits with
// status 0; "-debug" switches trace levels 0-8 to 23. Returns the number of
// argument words consumed.
int parseQVBCmdline(int argc, char** argv);

// parseQVBCmdline (when argc is at least 1), then get_envs on env_vars.
// Returns the number of argument words parseQVBCmdline consumed.
int QVB_getenv(int argc, char** argv);
