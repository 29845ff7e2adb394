// Argument files: "-filein FILE" and "@FILE" on the command line are replaced
// by the words of FILE, which may name further argument files. Also removes
// the trace texts and test switches that no option reader should see.
#include <strings.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "util/command_line.h"
#include "util/print.h"
#include "util/trace.h"

command_line_state command_line;

void reset_command_line() { command_line = command_line_state{}; }

namespace {
constexpr int kMaxArgFiles = 10;

bool has_prefix_ci(const std::string& s, const char* prefix) {
  return strncasecmp(s.c_str(), prefix, strlen(prefix)) == 0;
}

// Reads `path` whole; false with errno set when it cannot be read.
bool read_arg_file(const char* path, std::string& out) {
  std::unique_ptr<FILE, int (*)(FILE*)> f(fopen(path, "rb"), fclose);
  if (!f) return false;
  char chunk[4096];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, f.get())) > 0) out.append(chunk, n);
  return !ferror(f.get());
}

bool is_separator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 0; }

[[noreturn]] void unreadable(const char* name, int err) {
  U_MSG("e", "utf0010", "Include file \"%s\" errno=%i %s\n", name, err, strerror(err));
  exit(95);
}
}  // namespace

std::vector<std::string> split_arg_words(const std::string& text) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < text.size()) {
    if (is_separator(text[i])) {
      ++i;
      continue;
    }
    if (text[i] == '"' || text[i] == '\'') {
      size_t close = text.find(text[i], i + 1);
      if (close == std::string::npos) close = text.size();
      words.push_back(text.substr(i + 1, close - i - 1));
      i = close + 1;
      continue;
    }
    size_t end = i;
    while (end < text.size() && !is_separator(text[end])) ++end;
    words.push_back(text.substr(i, end - i));
    i = end;
  }
  return words;
}

char** parseCmdline(int argc, char** argv) {
  std::vector<std::string> words;
  for (int i = 0; i < argc && argv[i]; ++i) words.emplace_back(argv[i]);

  size_t i = 1;
  while (i < words.size()) {
    const std::string& w = words[i];
    if (has_prefix_ci(w, "-ddd")) {
      trace_set(w.c_str());
      words.erase(words.begin() + static_cast<long>(i));
      continue;
    }
    if (has_prefix_ci(w, "-testI32Cap") || has_prefix_ci(w, "-testI64Cap")) {
      (has_prefix_ci(w, "-testI32Cap") ? command_line.testI32Cap : command_line.testI64Cap) = 1;
      words.erase(words.begin() + static_cast<long>(i));
      continue;
    }

    std::string file;
    size_t span;
    if (strcasecmp(w.c_str(), "-filein") == 0) {
      // Nothing names the file; there is no error number of its own.
      if (i + 1 >= words.size()) unreadable("<unknown>", EINVAL);
      file = words[i + 1];
      span = 2;
    } else if (!w.empty() && w[0] == '@') {
      file = w.substr(1);
      span = 1;
    } else {
      ++i;
      continue;
    }

    if (command_line.arg_files >= kMaxArgFiles) {
      U_MSG("e", "utf0015", "Nested file %s exceded max of 10 files\n", file.c_str());
      exit(15);
    }
    ++command_line.arg_files;
    std::string content;
    errno = 0;
    if (!read_arg_file(file.c_str(), content)) unreadable(file.c_str(), errno);

    // The inserted words are scanned next, so they may name argument files.
    std::vector<std::string> inserted = split_arg_words(content);
    auto at = words.begin() + static_cast<long>(i);
    at = words.erase(at, at + static_cast<long>(span));
    words.insert(at, inserted.begin(), inserted.end());
  }

  command_line.arg_words = std::move(words);
  command_line.Argv.clear();
  for (std::string& word : command_line.arg_words) command_line.Argv.push_back(word.data());
  command_line.Argv.push_back(nullptr);
  command_line.Argc = static_cast<int>(command_line.arg_words.size());
  return command_line.Argv.data();
}
