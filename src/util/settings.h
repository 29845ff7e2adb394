// The collector's settings table (env_vars) and the machine id: filled from
// the command line, then the environment, then PROCESS.CTL.
#pragma once

#include <cstdint>
#include <string_view>

// The 22 settings slots. A text slot is null while unset; its text is owned by
// the settings store (env_store) or, after logon reconciliation, points into
// the collector's process record.
struct env_table {
  const char* coll_home = nullptr;    // 0  collector home (-logsdir first reader, COLL_HOME)
  const char* ctl_home = nullptr;     // 1  control-file directory (-ctldir, COLL_CTL_HOME)
  const char* bin_home = nullptr;     // 2  program directory (COLL_BINPATH)
  const char* coll_out = nullptr;     // 3  print and log file directory (COLL_OUT)
  const char* hostname = nullptr;     // 4  host name (COLL_HOSTNAME, uname -n)
  const char* hostlogonid = nullptr;  // 5  operating-system user (USER, id -un)
  const char* serverid = nullptr;     // 6  database server id (-rdbms, COLL_SERVERID)
  const char* logonid = nullptr;      // 7  database logon (-logonid, COLL_LOGON)
  const char* password = nullptr;     // 8  database password (-password, COLL_PASSWORD)
  const char* errorlog = nullptr;     // 9  database error log (-errlog, COLL_ERRORLOG)
  const char* db_type = nullptr;      // 10 agent type code (-dbtype, COLL_VERSION)
  const char* cell_name = nullptr;    // 11 filled on demand (COLL_CELL_NAME)
  const char* tmpdir = nullptr;       // 12 work prefix (-tempdir, COLL_PREFIX)
  const char* localtmpdir = nullptr;  // 13 local work prefix (-ltempdir, COLL_PREFIX_LOCAL)
  uint32_t maxreadsz_errorlog = 0;    // 14 error-log read size (MAXREADSZ_ERRORLOG)
  const char* useshm = nullptr;       // 16 shared-memory transport choice (COLL_USESHM)
  uint16_t nosignals = 0;             // 17 signal handling level (COLL_NOSIGNALS)
  const char* cfgdir = nullptr;       // 19 configuration directory (QVZCFGDIR)
  const char* db_home = nullptr;      // 20 database home (-dbhome, COLL_DBHOME)
  const char* db_version = nullptr;   // 21 database version (-dbversion, COLL_DBVERSION)
  const char* ipc_mode = nullptr;     //    transport objects' mode (-ipcmode, COLL_IPC_MODE)
  // Bounds on database calls, in seconds (read at start-up; unset: 10 and 60).
  const char* logon_timeout = nullptr;  // a logon (-logontimeout, COLL_LOGON_TIMEOUT)
  const char* sql_timeout = nullptr;    // one statement step (-sqltimeout, COLL_SQL_TIMEOUT)
};

// The process-wide settings table.
extern env_table env_vars;

// Returns a copy of `text` owned by the settings store; it lives until
// reset_env_vars(). Used to fill text slots.
const char* env_store(std::string_view text);

// Clears every slot and the machine id and releases the store (tests start
// from here).
void reset_env_vars();

// True when a text slot is set and not empty.
inline bool env_set(const char* slot) { return slot && *slot; }

// The machine id: host name (0-63), server id (64-95), blanks; not terminated.
extern char machine_id[160];
