// Environment lookup and export, the symbolic lookup of control-file
// environment references, and the filling of the settings table from the
// environment with its defaults.
#include "driver/environ.h"

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>

#include "ctl/env_lookup.h"
#include "util/print.h"
#include "util/trace.h"

environ_state environ_read;

void reset_environ_state() { environ_read = environ_state{}; }

namespace {
// Texts handed to putenv belong to the environment from then on: they are
// never freed, not even by a test reset, since environ keeps pointing at them.
std::deque<std::string>& exported_texts() {
  static auto* texts = new std::deque<std::string>;
  return *texts;
}

const char* text_or_empty(const char* s) { return s ? s : ""; }

// Fills `slot` from the first set variable of `names`, else from `dflt()`
// (left empty when that is empty too). Slots already set stay as they are.
void fill_slot(const char*& slot, std::initializer_list<const char*> names,
               const std::function<std::string()>& dflt, int mode = kEnvQuiet) {
  if (env_set(slot)) return;
  for (const char* name : names) {
    if (auto v = u_getenv(name, mode, nullptr)) {
      slot = env_store(*v);
      return;
    }
  }
  if (!dflt) return;
  std::string d = dflt();
  if (!d.empty()) slot = env_store(d);
}

// Reads a decimal number; false when the text holds none.
bool read_decimal(const std::string& text, long& out) {
  char* end = nullptr;
  errno = 0;
  long n = strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || errno != 0) return false;
  out = n;
  return true;
}

// One row of the symbolic lookup table: an environment name bound to a slot.
struct retrieve_row {
  const char* symbol;
  const char* env_table::*slot;
  int kind;  // 2: falls back to ORACLE_SID, 3: to ORACLE_HOME (Oracle type only)
};

constexpr retrieve_row kRetrieveRows[] = {
    {"COLL_LOGON", &env_table::logonid, 0},     {"COLL_PASSWORD", &env_table::password, 0},
    {"COLL_CTL_HOME", &env_table::ctl_home, 0}, {"COLL_HOME", &env_table::coll_home, 0},
    {"COLL_SERVERID", &env_table::serverid, 2}, {"COLL_ERRORLOG", &env_table::errorlog, 0},
    {"COLL_VERSION", &env_table::db_type, 0},   {"COLL_DBVERSION", &env_table::db_version, 0},
    {"COLL_DBHOME", &env_table::db_home, 3},    {"COLL_CELL_NAME", &env_table::cell_name, 0},
};

// The agent type code of an Oracle instance.
constexpr const char kOracleType[] = "zdb";
}  // namespace

std::optional<std::string> u_getenv(const char* name, int mode, const char* dflt) {
  if (!name || !*name) return std::nullopt;
  const char* value = getenv(name);
  const bool traced = trace_on(3) && mode != kEnvReport && mode != kEnvSilent;
  if (value && *value) {
    if (traced) U_MSG("t", "uen0025", "Env var %s=%s.\n", name, value);
    return std::string(value);
  }

  const bool have_default = dflt && *dflt;
  const char* cls = have_default ? "i" : "w";
  if (mode == kEnvReport) {
    if (!value)
      U_MSG(cls, "uen0015", "Environment variable \"%s\" not set\n", name);
    else
      U_MSG(cls, "uen0010", "Environment variable \"%s\" is not available\n", name);
  }
  if (traced) U_MSG("t", "uen0026", "Env var %s was not set.\n", name);
  if (!have_default) return std::nullopt;

  if (mode == kEnvReport) U_MSG(cls, "uen0020", "Using default of %s\n", dflt);
  if (mode == kEnvExport) {
    if (const char* exported = u_putenv(name, dflt)) return std::string(exported);
  }
  return std::string(dflt);
}

const char* u_putenv(const char* name, const char* value) {
  // A name with "=" would export a different variable than the one asked for.
  if (!name || !*name || strchr(name, '=')) {
    U_MSG("e", "uen0045", "Environment variable \"%s\" could not be set.", text_or_empty(name));
    return nullptr;
  }
  std::string text = name;
  if (value) text.append("=").append(value);
  std::string& kept = exported_texts().emplace_back(std::move(text));
  if (putenv(kept.data()) != 0) {
    exported_texts().pop_back();
    U_MSG("e", "uen0045", "Environment variable \"%s\" could not be set.", name);
    return nullptr;
  }
  if (trace_on(0)) U_MSG("t", "uen0046", "Set environment variable \"%s\".", name);
  return kept.c_str() + strlen(name) + (value ? 1 : 0);
}

const char* u_retrieveEnvVar(const char* symbol) {
  if (!symbol) return nullptr;
  char upper[33] = {};
  for (size_t i = 0; i < 32 && symbol[i]; ++i)
    upper[i] = static_cast<char>(toupper(static_cast<unsigned char>(symbol[i])));
  if (strlen(symbol) > 32) return nullptr;

  for (const retrieve_row& row : kRetrieveRows) {
    if (strcmp(upper, row.symbol) != 0) continue;
    const char*& slot = env_vars.*row.slot;
    if (env_set(slot)) return slot;
    if (auto v = u_getenv(row.symbol, kEnvSilent, nullptr)) {
      slot = env_store(*v);
    } else if (row.kind != 0 && env_vars.db_type &&
               strncmp(env_vars.db_type, kOracleType, strlen(kOracleType)) == 0) {
      const char* fallback = row.kind == 2 ? "ORACLE_SID" : "ORACLE_HOME";
      if (auto f = u_getenv(fallback, kEnvSilent, nullptr)) slot = env_store(*f);
    }
    return env_set(slot) ? slot : nullptr;
  }
  return nullptr;
}

// The defaults below are what "pwd", "id -un" and "uname -n" print, asked of
// the system directly: a shell for each costs the probe several milliseconds.
std::string working_directory(const std::string& home) {
  if (auto pwd = u_getenv("PWD", kEnvQuiet, nullptr)) return *pwd;
  char cwd[PATH_MAX];
  return getcwd(cwd, sizeof cwd) ? std::string(cwd) : home;
}

namespace {
std::string user_name() {
  const passwd* pw = getpwuid(geteuid());
  return pw && pw->pw_name ? pw->pw_name : "";
}

std::string node_name() {
  struct utsname uts;
  return uname(&uts) == 0 ? uts.nodename : "";
}
}  // namespace

int get_envs(env_table& t) {
  if (!environ_read.envs_read) {
    environ_read.envs_read = true;
    if (auto debug = u_getenv("COLL_DEBUG", kEnvQuiet, nullptr)) trace_set(debug->c_str());
  }
  const std::string home = *u_getenv("HOME", kEnvQuiet, "~");
  // The working directory costs a shell command when PWD is unset, so it is
  // found only when a slot needs it.
  std::optional<std::string> cwd;
  auto working_dir = [&] {
    if (!cwd) cwd = working_directory(home);
    return *cwd;
  };
  const std::string work_prefix = "/tmp";

  fill_slot(t.hostlogonid, {"USER"}, user_name);
  fill_slot(t.coll_home, {"COLL_HOME"}, working_dir);
  fill_slot(t.ctl_home, {"COLL_CTL_HOME"}, working_dir);
  fill_slot(t.bin_home, {"COLL_BINPATH"}, nullptr);
  fill_slot(t.hostname, {"COLL_HOSTNAME"}, node_name);
  fill_slot(t.serverid, {"COLL_SERVERID"}, nullptr);
  fill_slot(t.logonid, {"COLL_LOGON", "COLL_LOGONID"}, nullptr);
  // The password never shows, not even in environment traces.
  fill_slot(t.password, {"COLL_PASSWORD"}, nullptr, kEnvSilent);
  fill_slot(t.db_type, {"COLL_VERSION"},
            [] { return *u_getenv("COLL_VERSION_HOME", kEnvQuiet, "qvz"); });
  fill_slot(t.tmpdir, {"COLL_PREFIX"}, [&] {
    auto logdir = u_getenv("QVZLOGDIR", kEnvQuiet, nullptr);
    return (logdir ? *logdir : work_prefix) + "/" + text_or_empty(t.hostlogonid);
  });
  fill_slot(t.localtmpdir, {"COLL_PREFIX_LOCAL"},
            [&] { return std::string(text_or_empty(t.tmpdir)); });
  fill_slot(t.coll_out, {"COLL_OUT"}, [&] {
    const bool same = strcmp(text_or_empty(t.localtmpdir), text_or_empty(t.tmpdir)) == 0;
    return std::string(text_or_empty(same ? t.coll_home : t.localtmpdir));
  });
  environ_read.disable_cursors = u_getenv("COLL_DISABLE_CURSORS", kEnvQuiet, nullptr);
  fill_slot(t.errorlog, {"COLL_ERRORLOG"}, nullptr);
  fill_slot(t.db_version, {"COLL_DBVERSION"}, nullptr);

  if (t.maxreadsz_errorlog == 0) {
    constexpr uint32_t kDefaultMaxRead = 20480000;
    long n = 0;
    auto v = u_getenv("MAXREADSZ_ERRORLOG", kEnvQuiet, nullptr);
    if (v && read_decimal(*v, n)) {
      t.maxreadsz_errorlog = static_cast<uint32_t>(n);
    } else {
      if (!v && trace_on(6))
        U_MSG("i", "uen0021", "'%s' not set, using default of %d\n", "MAXREADSZ_ERRORLOG",
              static_cast<int>(kDefaultMaxRead));
      t.maxreadsz_errorlog = kDefaultMaxRead;
    }
  }
  fill_slot(t.useshm, {"COLL_USESHM"}, nullptr);
  fill_slot(t.db_home, {"COLL_DBHOME"}, nullptr);
  fill_slot(t.ipc_mode, {"COLL_IPC_MODE"}, nullptr);
  if (t.nosignals == 0) {
    long n = 0;
    auto v = u_getenv("COLL_NOSIGNALS", kEnvQuiet, nullptr);
    if (v && read_decimal(*v, n)) t.nosignals = static_cast<uint16_t>(n);
  }
  fill_slot(t.cfgdir, {"QVZCFGDIR"}, [&] { return std::string(text_or_empty(t.ctl_home)); });
  fill_slot(t.logon_timeout, {"COLL_LOGON_TIMEOUT"}, nullptr);
  fill_slot(t.sql_timeout, {"COLL_SQL_TIMEOUT"}, nullptr);
  return 1;
}
