// Stand-in until start-up provides the settings lookup: no symbol is bound to
// a setting, so references fall through to the process environment.
#include "ctl/env_lookup.h"

const char* u_retrieveEnvVar(const char*) { return nullptr; }
