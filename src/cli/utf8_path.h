#pragma once
// The command line's folder names are UTF-8 on every system (on Linux the
// bytes as given); std::filesystem would read a plain string in Windows'
// ANSI code page instead.

#include <filesystem>
#include <string>
#include <system_error>

namespace taruk {

inline std::filesystem::path PathFromUtf8(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// False with a one-line `error` when `folder`, given with `option`, is not
// a folder.
inline bool CheckFolderOption(const std::string& option, const std::string& folder, std::string& error) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(PathFromUtf8(folder), ec);
  if (ec) {
    error = "taruk: " + option + " " + folder + ": " + ec.message();
    return false;
  }
  if (!std::filesystem::is_directory(status)) {
    error = "taruk: " + option + " " + folder + ": not a folder";
    return false;
  }
  return true;
}

}  // namespace taruk
