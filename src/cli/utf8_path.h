#pragma once
// The command line's folder names are UTF-8 on every system (on Linux the
// bytes as given); std::filesystem would read a plain string in Windows'
// ANSI code page instead.

#include <filesystem>
#include <string>

namespace taruk {

inline std::filesystem::path PathFromUtf8(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace taruk
