// Feeds arbitrary bytes as an argument file through the word splitter, then
// the words as a command line through the keyword reader, checking that every
// word came from the input and that the settings stay terminated texts.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "ctl/dict.h"
#include "driver/cmdline.h"
#include "util/settings.h"
#include "util/trace.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> words = split_arg_words(text);
  size_t total = 0;
  for (const std::string& w : words) total += w.size();
  if (total > size) __builtin_trap();

  reset_env_vars();
  reset_command_line();
  reset_dictionary();
  reset_trace_switches();
  words.insert(words.begin(), "collector");
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  parse_argv(static_cast<int>(words.size()), argv.data());
  for (const char* slot :
       {env_vars.serverid, env_vars.db_type, env_vars.tmpdir, env_vars.logonid, env_vars.coll_home,
        env_vars.ctl_home, env_vars.errorlog, env_vars.password})
    if (slot && strlen(slot) > size) __builtin_trap();
  for (int i = 0; i < 10; ++i)
    if (tracing.my_trace_all[i] != 0 && tracing.my_trace_all[i] != 1) __builtin_trap();
  return 0;
}
