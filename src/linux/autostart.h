#pragma once
// "Run at startup" on Linux: the machine-wide XDG autostart entry
// Taruk.desktop, which every XDG desktop reads at log-on. It stands where the
// monitor keeps its start-at-log-on switch; only its existence counts, the
// content is ours to write.

#include <string>

#include "core/base/executable_path.h"  // RunningExecutablePath, what the entry starts

namespace taruk {

// $XDG_CONFIG_DIRS' first absolute directory (/etc/xdg when there is none)
// followed by /autostart/Taruk.desktop.
std::string AutostartEntryPath();

// True when an entry exists that can be opened and read, whatever it holds.
bool AutostartEntryExists();

// Creates or rewrites the entry so that it starts `executablePath` with no
// arguments. The folder is created when missing. Returns 0, or the errno of
// the step that failed; the old entry is then left as it was.
int WriteAutostartEntry(const std::string& executablePath);

// Removes the entry. Nothing is reported: a missing entry or a folder that
// cannot be written are both fine here.
void RemoveAutostartEntry();

// The text of a desktop entry that starts `executablePath`, quoted and escaped
// as desktop entries need when the path holds blanks or special characters.
std::string AutostartEntryText(const std::string& executablePath);

// The system's text for an errno value.
std::string SystemErrorText(int code);

}  // namespace taruk
