// The collector's settings table (env_vars) and the other start-up globals:
// filled from the command line, then the environment, then PROCESS.CTL.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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
};

// The process-wide settings table.
extern env_table env_vars;

// Returns a copy of `text` owned by the settings store; it lives until
// reset_env_vars(). Used to fill text slots.
const char* env_store(std::string_view text);

// Clears every slot, the start-up globals, and releases the store (tests start
// from here).
void reset_env_vars();

// True when a text slot is set and not empty.
inline bool env_set(const char* slot) { return slot && *slot; }

// The other start-up globals.
struct collector_globals {
  char machine_id[160] = {};    // host name (0-63), server id (64-95), blanks; not terminated
  int go_home = 0;              // non-zero: a stop was requested
  int16_t console = 0;          // -console given (not read further)
  std::string initfile;         // -initfile value (not read further)
  std::vector<char> work_buff;  // row work buffer, sizeof_work_buff bytes once allocated
  std::vector<std::pair<std::string, std::string>> dict_parms;  // name/value, in order added
  int argc = 0;                                                 // the program's arguments, as given
  char** argv = nullptr;
  std::optional<std::string> disable_cursors;  // COLL_DISABLE_CURSORS as read by get_envs
  bool envs_read = false;                      // get_envs has run once (COLL_DEBUG read)
  int16_t testI32Cap = 0;                      // -testI32Cap given (test switch)
  int16_t testI64Cap = 0;                      // -testI64Cap given (test switch)
  std::vector<std::string> arg_words;          // texts of Argv after argument-file expansion
  std::vector<char*> Argv;                     // expanded argument vector, null-terminated
  int Argc = 0;                                // entries of Argv before its null
  int arg_files = 0;                           // argument files expanded so far
};

// Size of the row work buffer.
constexpr size_t sizeof_work_buff = 124940;

extern collector_globals globals;

// Appends a dictionary parameter handed to the dictionary file parser.
inline void add_dict_parm(std::string_view name, std::string_view value) {
  globals.dict_parms.emplace_back(name, value);
}
