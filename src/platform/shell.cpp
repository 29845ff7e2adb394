// Running shell commands through popen and system.
#include "platform/shell.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "util/clock.h"
#include "util/print.h"

namespace {
constexpr int kMaxLines = 500;
constexpr size_t kMaxText = 4094;
constexpr int kMaxEmptyLines = 3;

// Closes the pipe and reaps the shell on every path out of u_shell.
struct pipe_holder {
  FILE* f = nullptr;
  pipe_holder() = default;
  pipe_holder(const pipe_holder&) = delete;
  pipe_holder& operator=(const pipe_holder&) = delete;
  ~pipe_holder() {
    if (f) pclose(f);
  }
};

bool is_trailing_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
}  // namespace

std::string u_shell(const char* cmd) {
  pipe_holder pipe;
  errno = 0;
  pipe.f = popen(cmd, "r");
  if (!pipe.f && errno == 0) {
    // popen fails without an error number when it is out of resources for a
    // moment (fork refused); one retry after a second usually succeeds.
    current_clock().sleep_for(1);
    pipe.f = popen(cmd, "r");
  }
  if (!pipe.f) {
    int err = errno;
    U_MSG("e", "uti2050", "popen error (%d %s), cmd=%.40s...\n", err, strerror(err), cmd);
    return "";
  }

  std::string text;
  char* line = nullptr;
  size_t cap = 0;
  int empty_lines = 0;
  for (int lines = 0; lines < kMaxLines && text.size() < kMaxText; ++lines) {
    ssize_t n = getline(&line, &cap, pipe.f);
    if (n < 0) break;
    while (n > 0 && is_trailing_space(line[n - 1])) --n;
    if (n == 0) {
      if (++empty_lines >= kMaxEmptyLines) break;
      continue;
    }
    if (!text.empty()) text += ' ';
    text.append(line, static_cast<size_t>(n));
  }
  free(line);
  if (text.size() > kMaxText) text.resize(kMaxText);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

int u_system(const char* cmd) {
  fflush(nullptr);
  return system(cmd);
}
