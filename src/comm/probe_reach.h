// Whether a collector looks reachable before a probe end is opened: without
// its request pipe or a running process of its key file, a request would
// only wait out its retries.
#pragma once

#include <string>

// Why the collector the settings name cannot be reached ("no collector pipe
// ...", "no key file ...", "no process named in key file ..."), or empty
// when it looks reachable.
std::string collector_unreachable_cause();
