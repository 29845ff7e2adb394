// Shared pieces of the control-file tests: a scratch directory for control
// files, and a capture of the message lines printed while a parser runs.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <initializer_list>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "driver/settings.h"
#include "fake_clock.h"
#include "util/print.h"

// A directory removed with its files when the holder goes.
class scratch_dir {
 public:
  scratch_dir() {
    char tmpl[] = "/tmp/ctl_test.XXXXXX";
    path_ = mkdtemp(tmpl);
  }
  ~scratch_dir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  scratch_dir(const scratch_dir&) = delete;
  scratch_dir& operator=(const scratch_dir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  // Writes `text` to the file `name` in the directory; returns its path.
  std::string write(const std::string& name, const std::string& text) const {
    std::ofstream(file(name), std::ios::binary) << text;
    return file(name);
  }

 private:
  std::string path_;
};

// Captures the message lines written from construction to lines(): from the
// print file when one is open, otherwise from standard output and error (where
// the copied classes E, S and A go without a print file). Header time
// stamps "(HHMMSS) " are removed so that whole lines can be compared.
class message_capture {
 public:
  message_capture() {
    if (FILE* f = print_stream()) {
      fflush(f);
      // The print file is open for writing only: read it through a second opening.
      fd_ = open(("/proc/self/fd/" + std::to_string(fileno(f))).c_str(), O_RDONLY);
      owns_fd_ = true;
      start_ = lseek(fd_, 0, SEEK_END);
      // The copies of errors to the log would only clutter the test's output.
      fflush(stderr);
      saved_stderr_ = dup(STDERR_FILENO);
      int null_fd = open("/dev/null", O_WRONLY);
      dup2(null_fd, STDERR_FILENO);
      close(null_fd);
      return;
    }
    fflush(stdout);
    char tmpl[] = "/tmp/ctl_capture.XXXXXX";
    fd_ = mkstemp(tmpl);
    unlink(tmpl);
    owns_fd_ = true;
    fflush(stderr);
    saved_stdout_ = dup(STDOUT_FILENO);
    saved_stderr_ = dup(STDERR_FILENO);
    dup2(fd_, STDOUT_FILENO);
    dup2(fd_, STDERR_FILENO);
  }
  ~message_capture() {
    restore();
    if (owns_fd_) close(fd_);
  }
  message_capture(const message_capture&) = delete;
  message_capture& operator=(const message_capture&) = delete;

  // The lines written so far (each with its newline removed).
  std::vector<std::string> lines() {
    if (FILE* f = print_stream()) fflush(f);
    fflush(stdout);
    fflush(stderr);
    std::string text;
    char chunk[4096];
    off_t at = start_;
    ssize_t n;
    while ((n = pread(fd_, chunk, sizeof chunk, at)) > 0) {
      text.append(chunk, n);
      at += n;
    }
    static const std::regex stamp(R"(^(\S+) \(\d{6}\) )");
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
      out.push_back(std::regex_replace(line, stamp, "$1 "));
    return out;
  }

  // Only the lines that begin with `id_prefix` (for example "PCC").
  std::vector<std::string> lines_of(const std::string& id_prefix) {
    std::vector<std::string> out;
    for (std::string& l : lines()) {
      if (l.compare(0, id_prefix.size(), id_prefix) == 0) out.push_back(l);
    }
    return out;
  }

 private:
  void restore() {
    if (saved_stdout_ >= 0) {
      fflush(stdout);
      dup2(saved_stdout_, STDOUT_FILENO);
      close(saved_stdout_);
      saved_stdout_ = -1;
    }
    if (saved_stderr_ >= 0) {
      fflush(stderr);
      dup2(saved_stderr_, STDERR_FILENO);
      close(saved_stderr_);
      saved_stderr_ = -1;
    }
  }
  int fd_ = -1;
  bool owns_fd_ = false;  // fd_ is ours to close
  int saved_stdout_ = -1;
  int saved_stderr_ = -1;
  off_t start_ = 0;
};

// Runs `f` and returns the message lines it printed. Assertions belong after
// the call: while capturing, standard output is not the terminal.
template <class F>
std::vector<std::string> captured(F&& f) {
  message_capture capture;
  f();
  return capture.lines();
}

// The epoch time of a local date and time.
inline time_t local_time(int year, int month, int day, int hour, int minute, int second) {
  struct tm tm = {};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  return mktime(&tm);
}

// Control files in a scratch directory that the collector searches as its
// control-file home (database type "zdb"), the print file open in the same
// directory, and a fake clock standing at
// Monday 15 January 2024, 10:00:00 local time. Call after reset_process_state().
class ctl_files {
 public:
  ctl_files() : clock_(local_time(2024, 1, 15, 10, 0, 0)) {
    clock_.install();
    env_vars.db_type = env_store("zdb");
    env_vars.ctl_home = env_store(dir_.path());
    env_vars.coll_out = env_store(dir_.path());
    // The print file is open before any capture, as after start-up.
    captured([] { init_PRINT(); });
  }
  ~ctl_files() { close_PRINT(); }
  ctl_files(const ctl_files&) = delete;
  ctl_files& operator=(const ctl_files&) = delete;
  // Writes `text` as the control file of base name `base` ("proc", "coll", ...).
  void write(const std::string& base, const std::string& text) const {
    dir_.write("zdb" + base + ".ctl", text);
  }
  // Copies tests/data/ctl/<corpus> as the control file of base name `base`.
  void use(const std::string& base, const std::string& corpus) const {
    std::ifstream in(std::string(TEST_DATA_DIR) + "/ctl/" + corpus, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    write(base, text.str());
  }
  const scratch_dir& dir() const { return dir_; }
  FakeClock& clock() { return clock_; }

 private:
  scratch_dir dir_;
  FakeClock clock_;
};

// `lines` without those whose message id (the text before the class letter)
// is one of `ids`, given in upper case, nor those of the control-file search.
inline std::vector<std::string> without(const std::vector<std::string>& lines,
                                        std::initializer_list<const char*> ids) {
  std::vector<std::string> out;
  for (const std::string& l : lines) {
    bool drop = l.compare(0, 3, "UOI") == 0;
    for (const char* id : ids) drop = drop || l.compare(0, strlen(id), id) == 0;
    if (!drop) out.push_back(l);
  }
  return out;
}

// Only the lines that begin with a message header (id and class letter): the
// statements echoed while statement tracing is on have none.
inline std::vector<std::string> headed(const std::vector<std::string>& lines) {
  static const std::regex header("^[A-Z]{3}[0-9]{4}[A-Z] ");
  std::vector<std::string> out;
  for (const std::string& l : lines) {
    if (std::regex_search(l, header)) out.push_back(l);
  }
  return out;
}
