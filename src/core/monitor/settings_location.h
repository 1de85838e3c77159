#pragma once
// Where conf.dat lives: $APPDATA/Taruk when APPDATA is set (the folder of the
// Windows version), else the XDG configuration folder, $XDG_CONFIG_HOME/Taruk
// or ~/.config/Taruk. The Windows version fell back to the root of drive C:
// without APPDATA; on Linux the user's configuration folder takes that role.

#include <cstddef>
#include <string>

namespace taruk {

// Longest settings path, in bytes, that is opened; the Windows version kept it
// in a buffer of 1,024 bytes with its terminator. A longer path is refused: the
// file is not read and every save fails.
constexpr size_t kMaxSettingsPathBytes = 1023;

struct SettingsFolder {
  std::wstring path;  // empty when no home folder can be found
  // The XDG folders may be missing on a fresh account: they are made with
  // their parents, mode 0700. Under APPDATA only the last level is made.
  bool createParents = false;
};

SettingsFolder FindSettingsFolder();

}  // namespace taruk
