// Control-file location: prefixes from the database type and the four
// candidate directories of each name.
#include "ctl/ctl_file.h"

#include <cctype>
#include <cstring>
#include <string>

#include "util/print.h"
#include "util/settings.h"
#include "util/trace.h"

namespace {

// Joins the parts that are set, each followed by its separator.
std::string candidate(const char* dir, const char* dir_sep, const char* sub, const char* sub_sep,
                      const char* name) {
  std::string path;
  if (env_set(dir)) path.append(dir).append(dir_sep);
  if (env_set(sub)) path.append(sub).append(sub_sep);
  return path.append(name);
}

}  // namespace

bool u_db_type(int i, char* out) {
  if (!env_set(env_vars.db_type) || i < 0 || i > 1) return false;
  char code[6] = {};
  for (int k = 0; k < 5 && env_vars.db_type[k] != 0; ++k) {
    code[k] = static_cast<char>(tolower(static_cast<unsigned char>(env_vars.db_type[k])));
  }
  size_t keep = strncmp(code, "zdb", 3) == 0 ? 5 : 3;
  code[keep] = 0;
  if (i == 0) {
    strcpy(out, code);
    return true;
  }
  if (strlen(code) <= 3) return false;
  code[3] = 0;
  strcpy(out, code);
  return true;
}

bool may_be_missing(int i, const char* base) {
  char prefix[8];
  if (!u_db_type(i, prefix) || strlen(prefix) <= 3) return false;
  return strcmp(base, "proc") == 0 || strcmp(base, "dict") == 0 || strcmp(base, "coll") == 0 ||
         strcmp(base, "trac") == 0;
}

unique_file u_openInputFile_1(const char* path) {
  unique_file f(fopen(path, "r"));
  if (f) {
    PRINT('i', "uoi0025", "File %s opened\n", path);
  } else if (tracing.trace_all) {
    PRINT('i', "uoi0030", "Could not open %s\n", path);
  }
  return f;
}

unique_file u_openInputFile(const char* base) {
  for (int i = 0; i < 4; ++i) {
    char prefix[8];
    if (!u_db_type(i, prefix)) return nullptr;
    std::string name = std::string(prefix) + base + ".ctl";
    const char* home = env_vars.coll_home;
    const char* server = env_vars.serverid;
    std::string paths[] = {
        candidate(home, "/", server, "/", name.c_str()),
        candidate(home, "/", server, "_", name.c_str()),
        candidate(home, "/", nullptr, "", name.c_str()),
        candidate(env_vars.ctl_home, "/", nullptr, "", name.c_str()),
    };
    for (const std::string& path : paths) {
      if (unique_file f = u_openInputFile_1(path.c_str())) return f;
    }
    if (!may_be_missing(i, base)) PRINT('w', "uoi0055", "Could not find a %s file\n", name.c_str());
  }
  return nullptr;
}
