// Output and temporary file names, opening the print and log files with their
// numbered backups, and the line limit that wraps them.
#include "util/outfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "util/clock.h"
#include "util/print.h"
#include "util/print_state.h"
#include "util/settings.h"
#include "util/timetext.h"
#include "util/trace.h"
#include "util/unique_fd.h"

namespace {
// Host parts shared by output and temporary names, each with its separator.
void append_host_parts(std::string& path) {
  if (env_set(env_vars.hostname)) path.append(env_vars.hostname).append("_");
  if (env_set(env_vars.db_type)) path.append(env_vars.db_type + 1).append("_");
  if (env_set(env_vars.serverid)) path.append(env_vars.serverid).append("_");
}

char* store_path(char* buffer, char* own, const std::string& path) {
  char* out = buffer ? buffer : own;
  snprintf(out, u_path_size, "%s", path.c_str());
  return out;
}

// Creates `dir` and its missing parents. True when it exists afterwards.
bool make_path(const std::string& dir) {
  struct stat st;
  if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  for (size_t slash = dir.find('/', 1); slash != std::string::npos;
       slash = dir.find('/', slash + 1)) {
    std::string part = dir.substr(0, slash);
    if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) return false;
  return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The directory of temporary files: localtmpdir, created on first use, or "."
// when it cannot be created. Empty when localtmpdir is not set.
std::string temp_directory() {
  print_state& ps = print_globals;
  if (!env_set(env_vars.localtmpdir)) return {};
  if (ps.tmpdir_checked != env_vars.localtmpdir) {
    ps.tmpdir_checked = env_vars.localtmpdir;
    ps.tmpdir_usable = make_path(ps.tmpdir_checked);
    if (!ps.tmpdir_usable)
      U_MSG("w", "utf0105", "Could not create path: %s, using '.'\n", ps.tmpdir_checked.c_str());
  }
  return ps.tmpdir_usable ? ps.tmpdir_checked : std::string(".");
}

// Backup k of `path`: the path with its last character replaced by k.
std::string backup_name(const std::string& path, int k) {
  return path.substr(0, path.size() - 1) + std::to_string(k);
}

void rotate_backups(const std::string& path, int count) {
  if (count <= 0 || path.empty()) return;
  remove(backup_name(path, count).c_str());
  for (int k = count - 1; k >= 1; --k)
    rename(backup_name(path, k).c_str(), backup_name(path, k + 1).c_str());
  rename(path.c_str(), backup_name(path, 1).c_str());
}

// Points descriptors 1 and 2 (or only 1) at `path`. The FILE objects stdout and
// stderr stay valid whatever happens, so a failure leaves them as they were.
bool redirect_standard(const char* path, int flags, bool with_stderr) {
  unique_fd fd(open(path, O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0666));
  if (fd.get() < 0) return false;
  fflush(stdout);
  fflush(stderr);
  if (dup2(fd.get(), STDOUT_FILENO) < 0) return false;
  if (with_stderr && dup2(fd.get(), STDERR_FILENO) < 0) return false;
  return true;
}

bool is_log(const char* name) { return strcmp(name, "col.log") == 0; }
}  // namespace

char* u_createOutputFileName(char* buffer, const char* name) {
  static char own[u_path_size];
  std::string path;
  if (env_set(env_vars.coll_out)) path.append(env_vars.coll_out).append("/");
  append_host_parts(path);
  path.append(name ? name : "");
  return store_path(buffer, own, path);
}

char* u_createTempFileName(char* buffer, const char* name, char mode) {
  static char own[u_path_size];
  print_state& ps = print_globals;
  std::string path = temp_directory();
  if (!path.empty()) path.append("/");
  append_host_parts(path);
  if (mode != 'n' && mode != 'N') {
    char stamp[64];
    time_t now = clock_time();
    struct tm tm;
    localtime_r(&now, &tm);
    ps.temp_sequence = ps.temp_sequence % 101 + 1;
    snprintf(stamp, sizeof stamp, "%02d%02d%02d%d_%d_", tm.tm_hour, tm.tm_min, tm.tm_sec,
             ps.temp_sequence, static_cast<int>(getpid()));
    path.append(stamp);
  }
  path.append(name ? name : "");
  return store_path(buffer, own, path);
}

int wrap_limit() {
  print_state& ps = print_globals;
  if (ps.wrap_limit < 0) {
    const char* text = getenv("COLL_WRAPLINES");
    long lines = strtol(text ? text : "30000", nullptr, 10);
    ps.wrap_limit = lines < 0 ? 0 : static_cast<int>(lines > 1000000000 ? 1000000000 : lines);
  }
  return ps.wrap_limit;
}

int backup_count() {
  print_state& ps = print_globals;
  if (ps.backup_count < 0) {
    const char* text = getenv("COLL_NUMOUTBAK");
    long count;
    if (!text || !*text) {
      count = trace_on(4) ? 5 : 1;
    } else {
      count = strtol(text, nullptr, 10);
      if (count < -100000) count = -100000;  // keeps the negation below defined
      if (count < -9)
        count = -count;
      else if (count < 0)
        count = 0;
      else if (count >= 10 && count <= 9999)
        count = 9;
      if (count > 9999) count = 9999;
    }
    ps.backup_count = static_cast<int>(count);
  }
  return ps.backup_count;
}

FILE* u_openPRINTfile(const char* name) {
  print_state& ps = print_globals;
  if (!name) name = "col.out";
  FILE* stream = nullptr;
  char log_path[u_path_size];
  const char* path;
  if (is_log(name)) {
    path = u_createOutputFileName(log_path, name);
    rotate_backups(path, backup_count());
    if (redirect_standard(path, O_APPEND, true)) stream = stderr;
  } else {
    path = u_createOutputFileName(ps.stder_filename, name);
    rotate_backups(path, backup_count());
    if (ps.stder) fclose(ps.stder);
    ps.stder = stream = fopen(path, "w");
    if (stream && name != ps.print_name) snprintf(ps.print_name, sizeof ps.print_name, "%s", name);
  }
  if (stream) return stream;

  bool first = ps.open_failures++ == 0;
  if (first) fprintf(stdout, "CAT1995E - Can't open message ouput file: %s\n", path);
  if (!is_log(name)) {
    ps.stder_filename[0] = '\0';
    // The log file has no substitute: a second print-file name would only
    // duplicate the print file's lines.
    if (first) return u_openPRINTfile("colx.out");
  }
  return nullptr;
}

int u_openSTDOUTfile() {
  char path[u_path_size];
  u_createOutputFileName(path, "col.log");
  if (!redirect_standard(path, O_TRUNC, false)) return 1;
  print_globals.my_stdout = stdout;
  return 0;
}

void check_limit(FILE** slot, const char* name, int* counter) {
  if (!*slot || wrap_limit() == 0) return;
  if ((*counter)++ < wrap_limit()) return;
  *counter = 0;
  if (!is_log(name)) {
    FILE* old = *slot;
    if (old == print_globals.stder) print_globals.stder = nullptr;
    fclose(old);
  }
  *slot = nullptr;
  FILE* stream = u_openPRINTfile(name);
  if (stream) {
    char now[u_time_buffer_size];
    fprintf(stream, "       File wrapped -- %s\n", u_get_time(now, TIME_LONG));
    fflush(stream);
  }
  *slot = stream;
}
