#pragma once
// conf.dat: the settings record as one line of eight values in code page 1251.

#include <string>

#include "core/monitor/monitor_config.h"

namespace taruk {

// $APPDATA/Taruk/conf.dat when APPDATA is set, else
// $XDG_CONFIG_HOME/Taruk/conf.dat (XDG_CONFIG_HOME defaults to ~/.config).
std::wstring SettingsPath();

// Reads the file over `config` (which holds the defaults). Creates the folder.
// A missing or damaged file is silent. Without the system's code page 1251
// converter the file is not read at all (the defaults stay, its texts are
// not blanked), and the log says so once.
void LoadSettings(MonitorConfig& config);

// Writes the whole record. False, with `failure` saying why, when it could
// not be saved; the previous file is then left as it was, and the caller
// shows "Can't save configuration to a file!". Without the code page
// converter nothing is written: the file keeps what it holds.
bool SaveSettings(const MonitorConfig& config, std::string& failure);
bool SaveSettings(const MonitorConfig& config);
// The windows' save: a failure's reason goes to the log (the box they show
// has no room for it).
bool SaveSettingsLogged(const MonitorConfig& config);

}  // namespace taruk
