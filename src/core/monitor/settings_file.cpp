#include "core/monitor/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/base/atomic_file.h"
#include "core/base/path_text.h"
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
      mkdir(bytes.substr(0, slash).c_str(), 0700);
    }
  }
  mkdir(bytes.c_str(), 0700);
}

}  // namespace

std::wstring SettingsPath() {
  const SettingsFolder folder = FindSettingsFolder();
  return folder.path.empty() ? std::wstring() : folder.path + L"/conf.dat";
}

void LoadSettings(MonitorConfig& config) {
  const SettingsFolder folder = FindSettingsFolder();
  if (folder.path.empty()) return;
  CreateFolder(folder);
  std::string path;
  if (!SettingsPathBytes(path)) return;
  // Non-blocking, so that a FIFO put in the file's place can't hang the start.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return;
  // Only a regular file counts as opened: a folder named conf.dat would
  // otherwise read as an empty file and blank both strings.
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    SettingsInput input(fd);
    ReadSettings(input, config);
  }
  close(fd);
}

bool SaveSettings(const MonitorConfig& config) {
  std::string path;
  std::string bytes;
  return SettingsPathBytes(path) && FormatSettings(config, bytes) &&
         ReplaceFileAtomically(path, bytes);
}

}  // namespace taruk
