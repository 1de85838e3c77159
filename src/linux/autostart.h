#pragma once
// "Run at startup" on Linux: the XDG autostart entry Taruk.desktop, which
// every XDG desktop reads at log-on. The box writes the user's own entry, in
// a folder an ordinary user may write; a machine-wide entry (written by the
// package or an administrator) counts as set too. Only existence counts, the
// content is ours to write.

#include <string>

#include "core/monitor/run_at_startup.h"  // what the Options dialog calls

namespace taruk {

// The machine-wide entry: $XDG_CONFIG_DIRS' first absolute directory
// (/etc/xdg when there is none) followed by /autostart/Taruk.desktop.
std::string AutostartEntryPath();
// The user's own entry: $XDG_CONFIG_HOME (~/.config when unset or not
// absolute) followed by /autostart/Taruk.desktop.
std::string UserAutostartEntryPath();

// AutostartEntryExists: an entry that can be opened and read starts Taruk at
// log-on, whatever it holds: the user's own, or else the machine-wide one. A
// user's entry that hides the machine-wide one (Hidden=true) reads as not set.

// Creates or rewrites the user's entry so that it starts `executablePath`
// with no arguments. The folder is created when missing. Returns 0, or the
// errno of the step that failed; the old entry is then left as it was.
int WriteAutostartEntry(const std::string& executablePath);

// RemoveAutostartEntry removes the user's entry; where a machine-wide entry
// stays, the user's entry hides it instead (Hidden=true), as XDG desktops
// allow, so that Taruk no longer starts for this user.

// The text of a desktop entry that starts `executablePath`, quoted and escaped
// as desktop entries need when the path holds blanks or special characters.
std::string AutostartEntryText(const std::string& executablePath);
// The user's entry that hides the machine-wide one.
std::string HiddenAutostartEntryText();

}  // namespace taruk
