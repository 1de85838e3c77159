#pragma once
// Where conf.dat lives: %APPDATA%\Taruk, or the root of drive C: without
// APPDATA. On Linux: $APPDATA/Taruk when APPDATA is set (the Windows folder),
// else the XDG configuration folder, $XDG_CONFIG_HOME/Taruk or
// ~/.config/Taruk, which takes the role of the root of drive C:.

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

// conf.dat in that folder, joined with the system's separator.
std::wstring SettingsFileIn(const std::wstring& folder);

}  // namespace taruk
