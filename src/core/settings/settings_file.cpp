#include "core/settings/settings_file.h"

#include <atomic>
#include <cerrno>

#include "core/base/atomic_file.h"
#include "core/base/cp1251.h"
#include "core/base/log_line.h"
#include "core/base/path_text.h"
#include "core/base/regular_file.h"
#include "core/settings/settings_format.h"
#include "core/settings/settings_location.h"

namespace taruk {

namespace {

std::wstring& ChosenFolder() {
  static std::wstring folder;
  return folder;
}

SettingsFolder FolderInUse() {
  if (!ChosenFolder().empty()) return {ChosenFolder(), false};
  return FindSettingsFolder();
}

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
    for (size_t slash = bytes.find('/', 1); slash != std::string::npos; slash = bytes.find('/', slash + 1)) {
      MakeFolder(bytes.substr(0, slash));
    }
  }
  MakeFolder(bytes);
}

constexpr char kNoConverter[] =
    "this system has no code page 1251 converter (iconv's CP1251 module, or the Windows code page), "
    "so the settings file is neither read nor written";

}  // namespace

void UseSettingsFolder(const std::wstring& folder) { ChosenFolder() = folder; }

std::wstring SettingsPath() {
  const SettingsFolder folder = FolderInUse();
  return folder.path.empty() ? std::wstring() : SettingsFileIn(folder.path);
}

SettingsLoad LoadSettings(MonitorConfig& config) {
  const SettingsFolder folder = FolderInUse();
  if (folder.path.empty()) return {};
  CreateFolder(folder);
  return ReadSettingsFile(config);
}

SettingsLoad ReadSettingsFile(MonitorConfig& config) {
  std::string path;
  if (!SettingsPathBytes(path)) return {};
  // Only a regular file counts as opened: a FIFO put in the file's place
  // can't hang the start, and a folder named conf.dat would otherwise read
  // as an empty file and blank both strings.
  RegularFile file(path);
  const auto partly = [&](const std::string& what) {
    return SettingsLoad{SettingsLoad::Found::Part, path + ": " + what};
  };
  switch (file.Outcome()) {
    case RegularFile::Opening::Opened:
      if (!Cp1251Available()) {
        // The defaults stay whole (texts not blanked), and the file is never
        // written over with them.
        static std::atomic<bool> said{false};
        if (!said.exchange(true)) LogLine(PathBytesToWide(path) + L": " + PathBytesToWide(kNoConverter));
        return partly(kNoConverter);
      }
      break;
    case RegularFile::Opening::Missing:
      return {};
    case RegularFile::Opening::NotRegular:
      return partly("not a regular file");
    case RegularFile::Opening::Failed:
      return partly(file.ErrorText());
  }
  SettingsInput input(file);
  const SettingsReading reading = ReadSettings(input, config);
  if (!reading.whole) return partly(reading.problem);
  return {SettingsLoad::Found::Whole, {}};
}

namespace {

bool WriteSettings(const MonitorConfig& config, std::string* error, bool createOnly) {
  std::string path;
  std::string bytes;
  std::string why;
  if (!SettingsPathBytes(path)) {
    why = "the settings path is too long or can't be written as bytes";
  } else if (!Cp1251Available()) {
    why = path + ": " + kNoConverter;
  } else if (!FormatSettings(config, bytes)) {
    why = "a text holds a character that code page 1251 does not have";
  } else {
    const FileWrite write = createOnly ? CreateFileAtomically(path, bytes) : ReplaceFileAtomically(path, bytes);
    if (write || (createOnly && write.error == EEXIST)) return true;
    why = path + ": " + write.reason;
  }
  if (error) *error = why;
  return false;
}

}  // namespace

bool SaveSettings(const MonitorConfig& config, std::string* error) { return WriteSettings(config, error, false); }

bool CreateSettingsIfMissing(const MonitorConfig& config, std::string* error) {
  return WriteSettings(config, error, true);
}

}  // namespace taruk
