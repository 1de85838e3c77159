#pragma once
// "Run at startup" on Windows: the value "Taruk" under the machine-wide
// HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run, holding
// the executable's full path. The same operations as the Linux entry
// (linux/autostart.h), so that the Options dialog can use either.

#include <string>

#include "core/base/executable_path.h"  // RunningExecutablePath, what the value starts

namespace taruk {

// True when a value "Taruk" exists under the Run key and can be read,
// whatever it holds and however long it is.
bool AutostartEntryExists();

// Sets the value to `executablePath` (UTF-8), as it is: no quotes, no
// arguments. Returns 0, or the system's error code (ERROR_ACCESS_DENIED
// without the right to write the machine-wide key).
int WriteAutostartEntry(const std::string& executablePath);

// Deletes the value. Nothing is reported: a missing value or a key that
// cannot be written are both fine here.
void RemoveAutostartEntry();

// The system's text for an error code, as UTF-8.
std::string SystemErrorText(int code);

}  // namespace taruk
