#pragma once
// "Run at startup": Taruk started when the user logs on, by the system's own
// means (an XDG autostart entry on Linux, the registry's Run value on
// Windows; linux/autostart.cpp and win32/autostart.cpp). The Options dialog's
// box reads and sets it; both windows do it through RunAtStartupAfterOk.

#include <functional>
#include <string>

#include "core/base/executable_path.h"

namespace taruk {

// True when the system will start Taruk at log-on, for this user or for all.
bool AutostartEntryExists();

// Turns the start at log-on on for `executablePath`. Where the machine-wide
// way is refused for want of rights (Windows without administrator),
// `offerUserValue` asks whether to start Taruk for this user alone; Linux
// writes the user's own entry and never asks. Returns 0 (also when the user
// said no), or the system's error code.
int EnableRunAtStartup(const std::string& executablePath, const std::function<bool()>& offerUserValue);

// Turns it off for this user, as far as the system lets. Nothing is
// reported: a missing entry and one that cannot be removed are both fine.
void RemoveAutostartEntry();

// The system's one-line text for an error code of these calls, as UTF-8.
std::string SystemErrorText(int code);

// What OK does with the box, once the dialog's other checks passed: on, for
// the running executable; off. Returns the text of a failure to show, empty
// when done; the dialog ends with OK either way, keeping the other settings.
inline std::string RunAtStartupAfterOk(bool wanted, const std::function<bool()>& offerUserValue) {
  if (!wanted) {
    RemoveAutostartEntry();
    return {};
  }
  const std::string executable = RunningExecutablePath();
  constexpr int kNoSuchFile = 2;  // ENOENT and ERROR_FILE_NOT_FOUND alike
  const int error = executable.empty() ? kNoSuchFile : EnableRunAtStartup(executable, offerUserValue);
  return error ? SystemErrorText(error) : std::string();
}

}  // namespace taruk
