// Shared pieces of the control-file tests: a capture of the message lines a
// parser prints, and a fixture with a clean process state, control files in a
// scratch directory and a fake clock.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "ctl/collect.h"
#include "fake_clock.h"
#include "std_capture.h"
#include "test_state.h"
#include "util/print.h"
#include "util/settings.h"
#include "util/trace.h"

// Message lines, or any texts, as the tests compare them.
using lines = std::vector<std::string>;

// Captures the message lines written from construction to lines(): those of the
// print file when one is open (standard output and error, where the copies of
// errors go, are then dropped), otherwise those of standard output and error.
// The time stamp "(HHMMSS) " after a header is removed so that whole lines
// compare. Assert after the capture ends: until then standard output is not
// the terminal.
class message_capture {
 public:
  message_capture() {
    if (FILE* f = print_stream()) {
      fflush(f);
      print_file_ = std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fileno(f)));
      start_ = read_whole(print_file_).size();
    }
  }

  // The lines written so far, each without its newline.
  std::vector<std::string> lines() {
    fflush(nullptr);
    std::string text = print_file_.empty() ? std_.out() : read_whole(print_file_).substr(start_);
    static const std::regex stamp(R"(^(\S+) \(\d{6}\) )");
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
      out.push_back(std::regex_replace(line, stamp, "$1 "));
    return out;
  }

 private:
  StdCapture std_{true};    // standard output and error
  std::string print_file_;  // the print file's path, or empty
  size_t start_ = 0;        // where the print file ended at construction
};

// Runs `f` and returns the message lines it printed.
template <class F>
lines captured(F&& f) {
  message_capture capture;
  f();
  return capture.lines();
}

// The lines a parse test compares: message lines (id and class letter first)
// other than the control-file search's (UOI) and the banners around a parse.
inline lines parse_messages(const lines& all) {
  static const std::regex header("^[A-Z]{3}[0-9]{4}[A-Z] ");
  static const std::regex banner(
      R"(^(UOI|[A-Z]{3}[0-9]{4}I (-{62}$|-- Starting parse of |--  .* ended at )))");
  lines out;
  for (const std::string& l : all)
    if (std::regex_search(l, header) && !std::regex_search(l, banner)) out.push_back(l);
  return out;
}

// The lines of `all` that `pattern` finds.
inline lines matching(const lines& all, const std::string& pattern) {
  const std::regex re(pattern);
  lines out;
  for (const std::string& l : all)
    if (std::regex_search(l, re)) out.push_back(l);
  return out;
}

// The text of tests/data/ctl/<name>.
inline std::string ctl_data(const std::string& name) { return test_data("ctl/" + name); }

// An input and the message lines it must print.
struct ctl_case {
  std::string text;  // the input, or the control file's name
  int rc = 0;        // the parser's result (control files)
  lines expected;    // the lines printed, in order
  std::string env;   // NAME=VALUE set while the file is read, or empty
  std::string grep;  // a pattern the compared lines must match, or empty
  int trace = 0;     // 1: trace_all on while it is read, 2: trace_something too
  bool raw = false;  // compare every line, not only parse_messages()

  // For an input "keyword text": the first word, and the text after it.
  std::string keyword() const { return text.substr(0, text.find(' ')); }
  std::string rest() const { return text.substr(std::min(text.find(' '), text.size() - 1) + 1); }
};

// The cases of tests/data/ctl/<name>: a line "< TEXT" starts one with its
// input, each "> LINE" adds a line it prints; other lines (";;") are comments.
inline std::vector<ctl_case> read_cases(const std::string& name) {
  std::vector<ctl_case> out;
  std::istringstream in(ctl_data(name));
  for (std::string l; std::getline(in, l);) {
    if (l.compare(0, 2, "< ") == 0) out.push_back({l.substr(2)});
    if (l.compare(0, 2, "> ") == 0 && !out.empty()) out.back().expected.push_back(l.substr(2));
  }
  return out;
}

// The control files under tests/data/ctl/<kind> that state their own case in
// comments, by name: ";; rc N" (the parser's result), ";; > LINE" for each
// line printed ("$DIR" standing for the scratch directory), ";; env NAME=VALUE"
// for a variable set while it is read, ";; trace N", ";; grep PATTERN" and
// ";; raw" as the ctl_case fields say.
inline std::vector<ctl_case> file_cases(const std::string& kind) {
  std::vector<ctl_case> out;
  for (const auto& e :
       std::filesystem::directory_iterator(std::string(TEST_DATA_DIR) + "/ctl/" + kind)) {
    ctl_case c{kind + "/" + e.path().filename().string(), -1};
    std::istringstream in(ctl_data(c.text));
    for (std::string l; std::getline(in, l);) {
      if (l.compare(0, 6, ";; rc ") == 0) c.rc = std::stoi(l.substr(6));
      if (l.compare(0, 5, ";; > ") == 0) c.expected.push_back(l.substr(5));
      if (l.compare(0, 7, ";; env ") == 0) c.env = l.substr(7);
      if (l.compare(0, 8, ";; grep ") == 0) c.grep = l.substr(8);
      if (l.compare(0, 9, ";; trace ") == 0) c.trace = std::stoi(l.substr(9));
      c.raw = c.raw || l == ";; raw";
    }
    if (c.rc >= 0) out.push_back(c);
  }
  std::sort(out.begin(), out.end(),
            [](const ctl_case& a, const ctl_case& b) { return a.text < b.text; });
  return out;
}

// A clean process state, a scratch directory that the collector searches as
// its control-file home (database type "zdb") and writes its print file to,
// the print file open, and a fake clock standing at Monday 15 January 2024,
// 10:00:00 local time.
class ctl_test : public ::testing::Test {
 protected:
  void SetUp() override { restart(); }
  void TearDown() override { reset_process_state(); }
  // Starts again from a clean state and no control files (between table rows).
  void restart() {
    reset_process_state();
    for (const auto& e : std::filesystem::directory_iterator(dir_))
      if (e.path().extension() == ".ctl") std::filesystem::remove(e.path());
    struct tm tm = {.tm_hour = 10, .tm_mday = 15, .tm_year = 124, .tm_isdst = -1};
    clock_.set(mktime(&tm));
    clock_.install();
    env_vars.db_type = env_store("zdb");
    env_vars.ctl_home = env_store(dir_);
    env_vars.coll_out = env_store(dir_);
    captured([] { init_PRINT(); });
  }
  // Writes `text` to the file `name` of the scratch directory; returns its path.
  std::string write_file(const std::string& name, const std::string& text) {
    write_whole(dir_ + "/" + name, text);
    return dir_ + "/" + name;
  }
  // Writes `text` as the control file of base name `base` ("proc", "coll", ...).
  void write(const std::string& base, const std::string& text) {
    write_file("zdb" + base + ".ctl", text);
  }
  // Copies tests/data/ctl/<corpus> as the control file of base name `base`.
  void use(const std::string& base, const std::string& corpus) { write(base, ctl_data(corpus)); }
  // Reads a cursor file of SESS, an interval cursor, and DEM, a demand cursor.
  void make_cursors() {
    write("coll",
          "cursor SESS;\ninsert into T (x) values (:x);\ninterval 5;\nlimit 1;\n"
          "cursor DEM;\ninsert into T (x) values (:x);\ndemand;\nend;\n");
    int rc = -1;
    run(parse_curs, &rc);
    ASSERT_EQ(rc, 0);
  }
  // Runs `parse`; returns its result in `rc` and the parse_messages() it printed.
  lines run(int (*parse)(), int* rc) {
    return parse_messages(captured([&] { *rc = parse(); }));
  }
  // Runs `parse` without a file, where it must print nothing but the search's
  // warning and return `missing_rc` (-1: not tried); then on every
  // file_cases(kind) as control file `base`, each from a clean state after
  // `prepare`, and calls `after` with the file's text when given.
  template <class F>
  void check_file_cases(const std::string& kind, const std::string& base, int (*parse)(),
                        int missing_rc, F prepare, void (*after)(const std::string&) = nullptr) {
    if (missing_rc >= 0) {
      prepare();
      int rc = -1;
      EXPECT_EQ(run(parse, &rc), lines{});
      EXPECT_EQ(rc, missing_rc);
    }
    std::vector<ctl_case> cases = file_cases(kind);
    EXPECT_FALSE(cases.empty()) << kind;  // the data files were found
    for (const ctl_case& c : cases) {
      SCOPED_TRACE(c.text);
      restart();
      prepare();
      use(base, c.text);
      std::string name = c.env.substr(0, c.env.find('='));
      if (!c.env.empty()) setenv(name.c_str(), c.env.substr(name.size() + 1).c_str(), 1);
      if (c.trace > 0) tracing.trace_all = 1;
      if (c.trace > 1) tracing.trace_something = 1;
      int rc = -1;
      lines got = captured([&] { rc = parse(); }), want = c.expected;
      if (!c.raw) got = parse_messages(got);
      if (!c.grep.empty()) got = matching(got, c.grep);
      for (std::string& l : want)
        if (l.find("$DIR") != l.npos) l.replace(l.find("$DIR"), 4, dir_);
      EXPECT_EQ(got, want);
      EXPECT_EQ(rc, c.rc);
      if (after) after(ctl_data(c.text));
      if (!c.env.empty()) unsetenv(name.c_str());
    }
  }

  ScratchDir scratch_;
  std::string dir_ = scratch_.path();
  FakeClock clock_{0};
};
