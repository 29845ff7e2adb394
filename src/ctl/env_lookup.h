// The symbolic lookup of environment references in control files: a name bound
// to one of the collector's settings (COLL_LOGON, COLL_SERVERID, ...).
#pragma once

// Returns the setting's value for `symbol` (case-insensitive), filling an empty
// setting from the environment first; null when the symbol names no setting or
// the setting has no value. The text is owned by the settings.
const char* u_retrieveEnvVar(const char* symbol);
