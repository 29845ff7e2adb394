// Test helpers: a scratch directory removed afterwards, reading a whole file,
// and capturing what the process writes to its standard output and error.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// A fresh directory under /tmp, removed with its contents at the end.
class ScratchDir {
 public:
  ScratchDir() {
    char tmpl[] = "/tmp/collector-test.XXXXXX";
    path_ = mkdtemp(tmpl) ? tmpl : "";
  }
  ~ScratchDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The whole content of `path`, or "<missing>" when it cannot be read.
inline std::string read_whole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The content of the bundled data file tests/data/<name>; a file that cannot
// be read fails the test (and reads as empty).
inline std::string test_data(const std::string& name) {
  const std::string path = std::string(TEST_DATA_DIR) + "/" + name, text = read_whole(path);
  if (text != "<missing>") return text;
  ADD_FAILURE() << "missing test data file " << path;
  return "";
}

// The rows of the table tests/data/<name>, each cut to `fields` fields: one row
// a line, fields separated by " | ", a row's comment after "  # "; lines that
// are empty or start with "#" are skipped. \n \r \t \0 \\ and \xHH are decoded.
inline std::vector<std::vector<std::string>> data_rows(const std::string& name, size_t fields) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(test_data(name));
  for (std::string l; std::getline(in, l);) {
    if (l.empty() || l[0] == '#') continue;
    std::vector<std::string> row(1);
    for (size_t i = 0; i < l.size() && l.compare(i, 4, "  # ") != 0; ++i) {
      if (l.compare(i, 3, " | ") == 0) {
        row.emplace_back(), i += 2;
      } else if (l[i] != '\\' || i + 1 == l.size()) {
        row.back() += l[i];
      } else if (l[++i] == 'x') {
        row.back() += static_cast<char>(std::stoi(l.substr(i + 1, 2), nullptr, 16)), i += 2;
      } else {
        const std::string from = "nrt0", to("\n\r\t\0", 4);
        row.back() += from.find(l[i]) == std::string::npos ? l[i] : to[from.find(l[i])];
      }
    }
    row.resize(fields);
    rows.push_back(row);
  }
  return rows;
}

// The integers of a data_rows() field, separated by blanks.
inline std::vector<int64_t> data_ints(const std::string& field) {
  std::vector<int64_t> out;
  std::istringstream in(field);
  for (int64_t v; in >> v;) out.push_back(v);
  return out;
}

inline void write_whole(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Redirects descriptors 1 and 2 into files until stop() or destruction; the
// captured texts are read after stopping. With `merged`, both go to out() in
// the order written.
class StdCapture {
 public:
  explicit StdCapture(bool merged = false)
      : out_(dir_.file("out")), err_(dir_.file(merged ? "out" : "err")) {
    fflush(nullptr);
    for (int fd : {1, 2}) {
      int file = open((fd == 1 ? out_ : err_).c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
      saved_[fd - 1] = dup(fd), dup2(file, fd), close(file);
    }
  }
  ~StdCapture() { stop(); }
  StdCapture(const StdCapture&) = delete;
  StdCapture& operator=(const StdCapture&) = delete;

  void stop() {
    if (saved_[0] < 0) return;
    fflush(nullptr);
    for (int fd : {1, 2}) dup2(saved_[fd - 1], fd), close(saved_[fd - 1]), saved_[fd - 1] = -1;
  }
  std::string out() {
    stop();
    return read_whole(out_);
  }
  std::string err() {
    stop();
    return read_whole(err_);
  }

 private:
  ScratchDir dir_;
  std::string out_, err_;
  int saved_[2] = {-1, -1};  // descriptors 1 and 2 as they were, while redirected
};
