// The collector's view of its environment: variable lookup with defaults and
// reporting (u_getenv), exporting (u_putenv), the symbolic lookup used by
// control-file environment references (u_retrieveEnvVar) and the reader that
// fills the settings table from the environment (get_envs).
#pragma once

#include <optional>
#include <string>

#include "util/settings.h"

// What get_envs read beyond the settings slots.
struct environ_state {
  std::optional<std::string> disable_cursors;  // COLL_DISABLE_CURSORS as read by get_envs
  bool envs_read = false;                      // get_envs has run once (COLL_DEBUG read)
};
extern environ_state environ_read;

// Forgets what get_envs read (tests start from here).
void reset_environ_state();

// Modes of u_getenv.
enum : int {
  kEnvReport = 1,   // report a missing or empty variable and the use of a default
  kEnvQuiet = 0,    // quiet unless environment tracing (level 3) is on
  kEnvExport = -1,  // as quiet, and export a default that was used
  kEnvSilent = -2,  // never reported, not even under tracing
};

// Returns the value of environment variable `name`; a set but empty variable
// counts as unset. When it is unset and `dflt` is non-empty, returns `dflt`
// (exported into the environment first in mode kEnvExport). Returns nullopt
// when there is neither a value nor a default.
std::optional<std::string> u_getenv(const char* name, int mode, const char* dflt);

// Puts "name=value" (just "name", which removes the variable, when `value` is
// null) into the environment. Returns the value part of the exported text,
// which lives for the rest of the process, or null on failure (uen0045).
const char* u_putenv(const char* name, const char* value);

// Resolves an environment reference of a control file: `symbol` (upper-cased,
// at most 32 characters) names one of the environment variables bound to a
// settings slot ("COLL_LOGON", "COLL_SERVERID", ...). An empty slot is filled
// from the environment first. Returns the slot's text (owned by the settings
// table) or null when the symbol is unknown or the slot stays empty.
const char* u_retrieveEnvVar(const char* symbol);

// Fills the still-empty slots of `table` from the environment and the
// defaults; reads COLL_DISABLE_CURSORS into the start-up state. Returns 1.
int get_envs(env_table& table);

// The working-directory default: $PWD, else the current directory, else `home`.
std::string working_directory(const std::string& home);
