#pragma once
// conf.dat: the settings record as one line of eight values in code page 1251.

#include <string>

#include "core/settings/monitor_config.h"

namespace taruk {

// $APPDATA/Taruk/conf.dat when APPDATA is set, else
// $XDG_CONFIG_HOME/Taruk/conf.dat (XDG_CONFIG_HOME defaults to ~/.config).
std::wstring SettingsPath();

// For the rest of the process, the settings live in `folder` (taruk
// --config-dir: the service's settings, say) instead of the folder above;
// nothing is made above it. Empty goes back to the usual folder.
void UseSettingsFolder(const std::wstring& folder);

// What LoadSettings found on the disk.
struct SettingsLoad {
  enum class Found {
    NoFile,  // nothing at the path: the defaults apply, and a save creates it
    Whole,   // every byte understood
    Part,    // read in part or not at all: never written over
  };
  Found found = Found::NoFile;
  // For Part: "PATH: what was not understood".
  std::string problem;
};

// Reads the file over `config` (which holds the defaults). Creates the folder.
// Without the system's code page 1251 converter the file is not read at all
// (the defaults stay, their texts not blanked) and counts as read in part, so
// it is never written over; the log says so once.
SettingsLoad LoadSettings(MonitorConfig& config);
// The same without making the folder: for a look that changes nothing.
SettingsLoad ReadSettingsFile(MonitorConfig& config);

// Writes the whole record. False when it could not be saved; the previous file
// is then left as it was, `error` (when given) says why, and the caller
// shows "Can't save configuration to a file!".
bool SaveSettings(const MonitorConfig& config, std::string* error = nullptr);

// Writes the record only when there is no file yet; anything already at the
// path is left alone (and is no failure).
bool CreateSettingsIfMissing(const MonitorConfig& config, std::string* error = nullptr);

}  // namespace taruk
