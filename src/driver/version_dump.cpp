// Finding and printing the version headers embedded in program files.
#include "driver/version_dump.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <memory>

#include "util/print.h"

// Kept in the program file even though nothing reads it in memory: the dump
// finds it by its marker.
[[gnu::used]] extern const char collector_version_header[] =
    "@(#)collector       1.0.0 05Dec2026 --:--:-- coll   " __DATE__ " " __TIME__ " collector-1.0.0";

namespace {
// Program files beyond this size are not dumped; no program of the agent
// comes near it.
constexpr long kMaxProgramSize = 256L << 20;
constexpr size_t kMaxHeader = 100;

bool file_exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string read_file(const std::string& path) {
  std::unique_ptr<FILE, int (*)(FILE*)> f(fopen(path.c_str(), "rb"), fclose);
  if (!f) return "";
  std::string content;
  char chunk[65536];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, f.get())) > 0 &&
         content.size() < static_cast<size_t>(kMaxProgramSize))
    content.append(chunk, n);
  return content;
}
}  // namespace

std::vector<std::string> find_version_headers(const std::string& content) {
  // Kept masked and unmasked through a volatile key, so that the search text
  // appears in the program file neither as data nor as an instruction's
  // immediate (which the next opcode byte could turn into a header).
  static const unsigned char masked[] = {'@' ^ 0x5a, '(' ^ 0x5a, '#' ^ 0x5a, ')' ^ 0x5a};
  static volatile unsigned char key = 0x5a;
  char marker[5] = {};
  for (size_t i = 0; i < sizeof masked; ++i) marker[i] = static_cast<char>(masked[i] ^ key);
  std::vector<std::string> headers;
  for (size_t pos = content.find(marker); pos != std::string::npos;
       pos = content.find(marker, pos + 1)) {
    size_t start = pos + 4;
    size_t end = start;
    while (end < content.size() && end - start < kMaxHeader &&
           isprint(static_cast<unsigned char>(content[end])))
      ++end;
    if (end > start) headers.push_back(content.substr(start, end - start));
  }
  return headers;
}

void dump_version_headers(const std::vector<std::string>& files) {
  U_MSG("iP", "ush9053",
        "program            vv check_in_date_time  devid compile__date_time stamp");
  for (const std::string& file : files) {
    if (!file_exists(file)) continue;
    U_MSG("iP", "ush9054", "Dump headers for %s", file.c_str());
    std::vector<std::string> headers = find_version_headers(read_file(file));
    for (const std::string& h : headers) U_MSG("iP", "ush9055", "%.100s", h.c_str());
    if (!headers.empty()) U_MSG("iP", "ush9056", "%s", std::string(60, '-').c_str());
  }
}

std::vector<std::string> builtin_program_files(const char* argv0) {
  std::string dir;
  if (argv0) {
    std::string self = argv0;
    size_t slash = self.rfind('/');
    if (slash != std::string::npos) dir = self.substr(0, slash + 1);
  }
  return {dir + "collector", dir + "probe"};
}
