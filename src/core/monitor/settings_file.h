#pragma once
// conf.dat: the settings record as one line of eight values in code page 1251.

#include <string>

#include "core/monitor/monitor_config.h"

namespace taruk {

// $APPDATA/Taruk/conf.dat when APPDATA is set, else
// $XDG_CONFIG_HOME/Taruk/conf.dat (XDG_CONFIG_HOME defaults to ~/.config).
std::wstring SettingsPath();

// Reads the file over `config` (which holds the defaults). Creates the folder.
// A missing or damaged file is silent.
void LoadSettings(MonitorConfig& config);

// Writes the whole record. False when it could not be saved; the previous file
// is then left as it was, and the caller shows
// "Can't save configuration to a file!".
bool SaveSettings(const MonitorConfig& config);

}  // namespace taruk
