#include "core/monitor/settings_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>

#include "core/alarm/action_log.h"
#include "core/base/atomic_file.h"
#include "core/base/cp1251.h"
#include "core/base/path_text.h"
#include "core/base/regular_file.h"
#include "core/monitor/settings_format.h"
#include "core/monitor/settings_location.h"

namespace taruk {

namespace {

// The path as the bytes handed to the system; false when it is too long or
// can't be written as bytes, so the file can neither be read nor saved.
bool SettingsPathBytes(std::string& bytes) {
  const std::wstring path = SettingsPath();
  return !path.empty() && WidePathToBytes(path, kMaxSettingsPathBytes, bytes);
}

// A failure is ignored, as it is when the folder exists already.
void CreateFolder(const SettingsFolder& folder) {
  std::string bytes;
  if (!WidePathToBytes(folder.path, kMaxSettingsPathBytes, bytes)) return;
  if (folder.createParents) {
    for (size_t slash = bytes.find('/', 1); slash != std::string::npos;
         slash = bytes.find('/', slash + 1)) {
      MakeFolder(bytes.substr(0, slash));
    }
  }
  MakeFolder(bytes);
}

constexpr char kNoConverter[] =
    "this system has no code page 1251 converter (iconv's CP1251 module, or the Windows code page), "
    "so the settings file is neither read nor written";

}  // namespace

std::wstring SettingsPath() {
  const SettingsFolder folder = FindSettingsFolder();
  return folder.path.empty() ? std::wstring() : SettingsFileIn(folder.path);
}

void LoadSettings(MonitorConfig& config) {
  const SettingsFolder folder = FindSettingsFolder();
  if (folder.path.empty()) return;
  CreateFolder(folder);
  std::string path;
  if (!SettingsPathBytes(path)) return;
  // Only a regular file counts as opened: a FIFO put in the file's place
  // can't hang the start, and a folder named conf.dat would otherwise read
  // as an empty file and blank both strings.
  RegularFile file(path);
  if (!file.IsOpen()) return;
  if (!Cp1251Available()) {
    static std::atomic<bool> said{false};
    if (!said.exchange(true)) {
      LogLine(PathBytesToWide(path) + L": " + PathBytesToWide(kNoConverter) + L"; the defaults apply");
    }
    return;
  }
  SettingsInput input(file);
  ReadSettings(input, config);
}

bool SaveSettings(const MonitorConfig& config, std::string& failure) {
  std::string path;
  std::string bytes;
  if (!SettingsPathBytes(path)) {
    failure = "no settings path: no home folder, or a path too long or not writable as a file name here";
    return false;
  }
  if (!Cp1251Available()) {
    failure = path + ": " + kNoConverter;
    return false;
  }
  if (!FormatSettings(config, bytes)) {
    failure = path + ": the e-mail address or the SMTP server holds a character that code page 1251 lacks";
    return false;
  }
  errno = 0;
  if (!ReplaceFileAtomically(path, bytes)) {
    const int reason = errno;
    failure = path + ": " + (reason != 0 ? std::strerror(reason) : "the file could not be replaced");
    return false;
  }
  return true;
}

bool SaveSettings(const MonitorConfig& config) {
  std::string failure;
  return SaveSettings(config, failure);
}

bool SaveSettingsLogged(const MonitorConfig& config) {
  std::string failure;
  if (SaveSettings(config, failure)) return true;
  LogLine(L"Can't save configuration to a file! " + PathBytesToWide(failure));
  return false;
}

}  // namespace taruk
