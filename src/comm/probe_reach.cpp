// The probe's look for a running collector: its request pipe, or its key
// file and a live process named there.
#include "comm/probe_reach.h"

#include <cstdio>

#include "comm/comm.h"
#include "comm/pipe_io.h"
#include "comm/share_init.h"
#include "util/settings.h"

std::string collector_unreachable_cause() {
  if (use_pipes()) {
    const std::string& path = collector_pipe_name();
    return Access(path) ? "" : "no collector pipe " + path + " (is the collector running?)";
  }
  std::string key = share_key_file(env_vars.serverid);
  FILE* f = fopen(key.c_str(), "r");
  if (!f) return "no key file " + key + " (is the collector running?)";
  int pids[2] = {-1, -1};
  bool ok = fscanf(f, "%d %d", &pids[0], &pids[1]) == 2;
  fclose(f);
  if (!ok) return "unreadable key file " + key;
  for (int pid : pids)
    if (pid > 0 && IsServerRunning(pid)) return "";
  return "no process named in key file " + key + " is running (is the collector running?)";
}
