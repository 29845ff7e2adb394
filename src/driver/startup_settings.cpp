// The start-up steps that settle the settings once PROCESS.CTL is read: logon
// reconciliation, the machine id, the disabled cursors, the settings listing,
// the required-settings check and the dictionary parameters.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "ctl/dict.h"
#include "ctl/distributor.h"
#include "driver/environ.h"
#include "driver/startup.h"
#include "util/print.h"
#include "util/settings.h"
#include "util/trace.h"

namespace {
void reconcile(const char*& slot, char* field, size_t size) {
  if (env_set(slot))
    snprintf(field, size, "%s", slot);
  else
    slot = field;
}

void list_settings() {
  PRINT('i', "cml1526", "Environment Setting:\n");
  const env_table& t = env_vars;
  // Everything but the password, which never shows.
  if (env_set(t.coll_home)) PRINT('i', "cml1527", "\t coll_home=%s\n", t.coll_home);
  if (env_set(t.ctl_home)) PRINT('i', "cml1527", "\t ctl_home=%s\n", t.ctl_home);
  if (env_set(t.bin_home)) PRINT('i', "cml1527", "\t bin_home=%s\n", t.bin_home);
  if (env_set(t.coll_out)) PRINT('i', "cml1527", "\t coll_out=%s\n", t.coll_out);
  if (env_set(t.tmpdir)) PRINT('i', "cml1527", "\t tmpdir=%s\n", t.tmpdir);
  if (env_set(t.localtmpdir)) PRINT('i', "cml1527", "\t localtmpdir=%s\n", t.localtmpdir);
  if (env_set(t.hostname)) PRINT('i', "cml1527", "\t hostname=%s\n", t.hostname);
  if (env_set(t.hostlogonid)) PRINT('i', "cml1527", "\t hostlogonid=%s\n", t.hostlogonid);
  if (env_set(t.serverid)) PRINT('i', "cml1527", "\t serverid=%s\n", t.serverid);
  if (env_set(t.logonid)) PRINT('i', "cml1527", "\t logonid=%s\n", t.logonid);
  if (env_set(t.db_version)) PRINT('i', "cml1527", "\t db_version=%s\n", t.db_version);
  if (env_set(t.db_type)) PRINT('i', "cml1527", "\t db_type=%s\n", t.db_type);
  if (env_set(t.db_home)) PRINT('i', "cml1527", "\t db_home=%s\n", t.db_home);
  if (env_set(t.errorlog)) PRINT('i', "cml1527", "\t errorlog=%s\n", t.errorlog);
}

void publish_dict_parms() {
  const env_table& t = env_vars;
  const std::pair<const char*, const char*> parms[] = {
      {"rdbms", t.serverid},    {"errlog", t.errorlog},      {"logonid", t.logonid},
      {"dbhome", t.db_home},    {"dbversion", t.db_version}, {"dbtype", t.db_type},
      {"password", t.password},
  };
  for (const auto& [name, value] : parms)
    if (env_set(value)) add_dict_parm(name, value);
}
}  // namespace

void reconcile_logon(distributor* collector) {
  // Without a collector process there is nothing to reconcile with; the
  // required-settings check then decides.
  if (!collector) return;
  reconcile(env_vars.logonid, collector->logon_id, sizeof collector->logon_id);
  reconcile(env_vars.password, collector->password, sizeof collector->password);
  reconcile(env_vars.serverid, collector->server_id, sizeof collector->server_id);
}

void build_machine_id() {
  char* id = machine_id;
  memset(id, ' ', sizeof machine_id);
  if (const char* host = env_vars.hostname) memcpy(id, host, strnlen(host, 64));
  if (const char* server = env_vars.serverid) memcpy(id + 64, server, strnlen(server, 32));
}

void apply_disabled_cursors() {
  if (!environ_read.disable_cursors) {
    PRINT('i', "cml1526", "Disable Cursors Environment is not set...\n");
    return;
  }
  std::string list;
  for (char c : *environ_read.disable_cursors)
    if (c != ' ' && c != '\t') list += static_cast<char>(toupper(static_cast<unsigned char>(c)));
  PRINT('i', "cml1526", "Disable Cursors Environment Settings:\n");
  PRINT('i', "cml1527", "\t COLL_DISABLE_CURSORS=%s\n", list.c_str());

  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    const std::string name = list.substr(start, comma - start);
    start = comma + 1;
    // "A,,B" or a trailing comma names no cursor.
    if (name.empty()) continue;
    const std::string var = "COLL_DISABLE_CURSOR_" + name;
    if (name == "KF1") {
      u_putenv(var.c_str(), "AND FIL.FILE_ID < 128");
      PRINT('i', "cml1527", "\t %s=AND FIL.FILE_ID < 128\n", var.c_str());
    } else if (name == "KF4") {
      u_putenv(var.c_str(), "0");
      PRINT('i', "cml1527", "\t %s=0\n", var.c_str());
    } else {
      u_putenv(var.c_str(), "1");
      PRINT('i', "cml1527", "\t %s=1\n", var.c_str());
    }
  }
}

int settle_settings(distributor* collector) {
  reconcile_logon(collector);
  build_machine_id();
  apply_disabled_cursors();
  if (tracing.trace_all) list_settings();
  const env_table& t = env_vars;
  if (!env_set(t.serverid) || !env_set(t.hostname) || !env_set(t.logonid) || !env_set(t.db_type)) {
    PRINT('s', "cml1528", "Missing required environment variables.\n");
    return -1003;
  }
  publish_dict_parms();
  return 0;
}
