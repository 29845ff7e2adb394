// Storage of the settings table and of the texts its slots own.
#include "util/settings.h"

#include <cstring>
#include <deque>
#include <string>

env_table env_vars;
char machine_id[160];

namespace {
// A deque keeps every stored text at a stable address.
std::deque<std::string>& store() {
  static std::deque<std::string> texts;
  return texts;
}
}  // namespace

const char* env_store(std::string_view text) { return store().emplace_back(text).c_str(); }

void reset_env_vars() {
  env_vars = env_table{};
  memset(machine_id, 0, sizeof machine_id);
  store().clear();
}
