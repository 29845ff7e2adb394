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
    for (const auto& [name, old] : saved_) {
      if (old)
        setenv(name.c_str(), old->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
  }

  // Sets `name` to `value`; a null value unsets it.
  void set(const std::string& name, const char* value) {
    remember(name);
    if (value)
      setenv(name.c_str(), value, 1);
    else
      unsetenv(name.c_str());
  }
  void unset(const std::string& name) { set(name, nullptr); }

 private:
  void remember(const std::string& name) {
    if (saved_.count(name)) return;
    const char* v = getenv(name.c_str());
    saved_[name] = v ? std::optional<std::string>(v) : std::nullopt;
  }
  std::map<std::string, std::optional<std::string>> saved_;
};
