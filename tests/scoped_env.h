// Environment variables changed for one test and restored afterwards.
#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

class ScopedEnv {
 public:
  ScopedEnv() = default;
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() {
    for (const auto& [name, old] : saved_)
      old ? setenv(name.c_str(), old->c_str(), 1) : unsetenv(name.c_str());
  }

  // Sets `name` to `value`; a null value unsets it. The first change of a name
  // remembers its value.
  void set(const std::string& name, const char* value) {
    const char* old = getenv(name.c_str());
    saved_.try_emplace(name, old ? std::optional<std::string>(old) : std::nullopt);
    value ? setenv(name.c_str(), value, 1) : unsetenv(name.c_str());
  }
  void unset(const std::string& name) { set(name, nullptr); }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};
