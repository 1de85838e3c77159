#include <windows.h>

#include <stdlib.h>

#include "support/scoped_env.h"

namespace taruk {

// The C runtime keeps a copy of its own for getenv; both are set.
void SetEnvironmentValue(const std::string& name, const std::optional<std::string>& value) {
  _putenv_s(name.c_str(), value ? value->c_str() : "");
  SetEnvironmentVariableA(name.c_str(), value && !value->empty() ? value->c_str() : nullptr);
}

}  // namespace taruk
