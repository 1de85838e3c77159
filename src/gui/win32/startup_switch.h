#pragma once
// "Run at startup" as the Options dialog sees it: the machine's
// start-at-log-on entry for this program (on Windows the value "Taruk" under
// the machine-wide Run key), made by the platform layer and handed in by the
// program's window command.

#include <string>

namespace taruk::win32 {

class StartupSwitch {
 public:
  virtual ~StartupSwitch() = default;
  // True when a readable entry exists, whatever it holds.
  virtual bool Exists() = 0;
  // Creates or rewrites the entry so that it starts the running executable.
  // 0, or the system's error code for the step that failed.
  virtual unsigned long Write() = 0;
  // Removes the entry; a missing one is fine and nothing is reported.
  virtual void Remove() = 0;
};

}  // namespace taruk::win32
