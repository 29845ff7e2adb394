// The two readers of the command line: the keyword reader of the raw
// arguments and the option-table reader, with the argument-file expander
// that runs before the latter.
#include "driver/cmdline.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ctl/dict.h"
#include "driver/environ.h"
#include "driver/version_dump.h"
#include "util/command_line.h"
#include "util/print.h"
#include "util/settings.h"
#include "util/trace.h"

namespace {
// True when `text` abbreviates `keyword`: its leading characters, at least
// `min` and at most the keyword's length, equal the keyword's, ignoring case.
bool abbreviates(const char* text, const char* keyword, size_t min) {
  size_t n = std::min(strlen(text), strlen(keyword));
  return n >= min && strncasecmp(text, keyword, n) == 0;
}

// A settings keyword of the first reading.
struct argv_keyword {
  const char* name;
  size_t min;
  const char* env_table::*slot;
};

constexpr argv_keyword kArgvKeywords[] = {
    {"rdbms", 3, &env_table::serverid},    {"dbtype", 3, &env_table::db_type},
    {"tempdir", 4, &env_table::tmpdir},    {"logonid", 3, &env_table::logonid},
    {"logsdir", 3, &env_table::coll_home}, {"ctldir", 3, &env_table::ctl_home},
    {"errlog", 3, &env_table::errorlog},   {"password", 3, &env_table::password},
};

// Sets level i to 1 for every "d" at position i (0-9) of `text`.
void set_d_levels(const char* text) {
  for (int i = 0; i < 10 && text[i]; ++i)
    if (text[i] == 'd') tracing.my_trace_all[i] = 1;
}

// Option kinds of the option table.
enum option_kind : int16_t {
  kOptText = 0,    // store the value text
  kOptNumber = 2,  // read an unsigned number
  kOptFlag = 3,    // set a flag to 1
  kOptRest = 4,    // take all remaining arguments
};

// What an option sets besides a text slot.
enum class option_special { none, maxread, console, initfile, version, debug };

struct option_entry {
  const char* name;
  size_t min_abbrev;
  option_kind kind;
  bool takes_value;
  const char* env_table::*slot;  // text slot, or null for a special target
  option_special special;
};

constexpr option_entry kOptions[] = {
    {"logonid", 5, kOptText, true, &env_table::logonid, option_special::none},
    {"loginid", 5, kOptText, true, &env_table::logonid, option_special::none},
    {"password", 4, kOptText, true, &env_table::password, option_special::none},
    {"ctldir", 3, kOptText, true, &env_table::ctl_home, option_special::none},
    {"rdbms", 3, kOptText, true, &env_table::serverid, option_special::none},
    {"serverid", 6, kOptText, true, &env_table::serverid, option_special::none},
    {"logsdir", 4, kOptText, true, &env_table::coll_out, option_special::none},
    {"errlog", 3, kOptText, true, &env_table::errorlog, option_special::none},
    {"log", 3, kOptText, true, &env_table::errorlog, option_special::none},
    {"dbtype", 3, kOptText, true, &env_table::db_type, option_special::none},
    {"ltempdir", 5, kOptText, true, &env_table::localtmpdir, option_special::none},
    {"tempdir", 4, kOptText, true, &env_table::tmpdir, option_special::none},
    {"maxread", 4, kOptNumber, true, nullptr, option_special::maxread},
    {"dbhome", 6, kOptText, true, &env_table::db_home, option_special::none},
    {"dbversion", 5, kOptText, true, &env_table::db_version, option_special::none},
    {"ipcmode", 4, kOptText, true, &env_table::ipc_mode, option_special::none},
    {"logontimeout", 6, kOptText, true, &env_table::logon_timeout, option_special::none},
    {"sqltimeout", 4, kOptText, true, &env_table::sql_timeout, option_special::none},
    {"console", 7, kOptFlag, false, nullptr, option_special::console},
    {"initfile", 4, kOptText, true, nullptr, option_special::initfile},
    {"version", 3, kOptRest, false, nullptr, option_special::version},
    {"debug", 1, kOptText, false, nullptr, option_special::debug},
};

const option_entry* find_option(const char* text) {
  for (const option_entry& row : kOptions)
    if (abbreviates(text, row.name, row.min_abbrev)) return &row;
  return nullptr;
}
}  // namespace

int parse_argv(int argc, char** argv) {
  bool echo = false;  // a -v or -d argument was seen
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (!arg || arg[0] != '-') continue;
    const char* text = arg + 1;

    const argv_keyword* kw = nullptr;
    for (const argv_keyword& k : kArgvKeywords)
      if (abbreviates(text, k.name, k.min)) {
        kw = &k;
        break;
      }
    if (kw) {
      const char* value = nullptr;
      if (strlen(text) > strlen(kw->name))
        value = text + strlen(kw->name);
      else if (i + 1 < argc)
        value = argv[++i];
      if (!value) continue;
      env_vars.*kw->slot = env_store(value);
      if (echo) {
        // The password is never written to the print file.
        const bool secret = kw->slot == &env_table::password;
        PRINT('i', "cpa1532", "%s=%s.\n", kw->name, secret ? "***" : value);
      }
      continue;
    }
    if (abbreviates(text, "version", 3)) {
      dump_version_headers(builtin_program_files(argc > 0 ? argv[0] : nullptr));
      continue;
    }
    if (abbreviates(text, "console", 3)) continue;
    if (text[0] == 'v') {
      tracing.trace_all = 1;
      tracing.trace_something = 1;
      set_d_levels(text);
      echo = true;
      continue;
    }
    if (text[0] == 'd') {
      set_d_levels(text);
      echo = true;
      continue;
    }
    // "-name value": a parameter for the dictionary file. A bare "-" names
    // nothing that could be looked up, so it and its value are dropped.
    if (i + 1 < argc) {
      const char* value = argv[++i];
      if (*text) add_dict_parm(text, value);
    }
  }
  return 1;
}

int parseQVBCmdline(int argc, char** argv) {
  char** av = parseCmdline(argc, argv);
  const int ac = command_line.Argc;
  if (ac < 2 || av[1][0] != '-' || strlen(av[0]) < 5) return 0;

  int consumed = 0;
  bool version = false;
  bool debug = false;
  std::vector<std::string> version_files;
  int i = 1;
  while (i < ac && av[i][0] == '-') {
    const char* text = av[i] + 1;
    const option_entry* row = find_option(text);
    if (!row) break;
    ++i;
    ++consumed;
    if (row->kind == kOptRest) {
      version = true;
      for (; i < ac && av[i][0] != '-'; ++i, ++consumed) version_files.emplace_back(av[i]);
      break;
    }
    const char* value = nullptr;
    if (row->takes_value) {
      if (strlen(text) > strlen(row->name)) {
        value = text + strlen(row->name);
      } else if (i < ac && av[i][0] != '-') {
        value = av[i++];
        ++consumed;
      }
    }
    switch (row->special) {
      case option_special::none:
        if (value) env_vars.*row->slot = env_store(value);
        break;
      case option_special::maxread: {
        unsigned n = 0;
        if (value && sscanf(value, "%u", &n) == 1) env_vars.maxreadsz_errorlog = n;
        break;
      }
      case option_special::console:
        command_line.console = 1;
        break;
      case option_special::initfile:
        if (value) command_line.initfile = value;
        break;
      case option_special::debug:
        debug = true;
        break;
      case option_special::version:
        break;
    }
  }
  if (version) {
    dump_version_headers(version_files);
    exit(0);
  }
  // Levels 0-8 at 23 without trace_all: everything is traced but no cursor.
  if (debug) trace_set("azzzzzzzzz");
  return consumed;
}

int QVB_getenv(int argc, char** argv) {
  int consumed = argc >= 1 ? parseQVBCmdline(argc, argv) : 0;
  get_envs(env_vars);
  return consumed;
}
