#pragma once
// Sets or unsets an environment variable for one scope and puts the old value
// back afterwards.

#include <cstdlib>
#include <optional>
#include <string>

namespace taruk {

// Sets the variable of this process, or removes it (nullopt), so that the
// system's own lookups see it too (on Windows, where a variable cannot be
// empty, "" removes it as well).
void SetEnvironmentValue(const std::string& name, const std::optional<std::string>& value);

class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    SetEnvironmentValue(name_, value);
  }
  ~ScopedEnv() { SetEnvironmentValue(name_, old_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace taruk
