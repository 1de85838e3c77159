#include "core/monitor/settings_file.h"

#include "core/base/atomic_file.h"
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
  SettingsInput input(file);
  ReadSettings(input, config);
}

bool SaveSettings(const MonitorConfig& config) {
  std::string path;
  std::string bytes;
  return SettingsPathBytes(path) && FormatSettings(config, bytes) &&
         ReplaceFileAtomically(path, bytes);
}

}  // namespace taruk
