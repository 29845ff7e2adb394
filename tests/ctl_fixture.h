// Shared pieces of the control-file tests: a scratch directory for control
// files, and a capture of the message lines printed while a parser runs.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "driver/settings.h"
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
      fd_ = fileno(f);
      start_ = lseek(fd_, 0, SEEK_END);
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
  bool owns_fd_ = false;  // false: fd_ is the print file's
  int saved_stdout_ = -1;
  int saved_stderr_ = -1;
  off_t start_ = 0;
};
