#include "core/alarm/alarm_sound_path.h"

#include "core/base/executable_path.h"
#include "core/base/path_text.h"

namespace taruk {

std::wstring AlarmSoundPathFor(const std::wstring& executablePath) {
  const size_t slash = executablePath.find_last_of(kPathSeparators);
  // Cut only behind a separator after the first character: a path whose last
  // separator is its first is left as it is, and then fails to play with a
  // reason.
  if (slash == std::wstring::npos || slash == 0) return executablePath;
  return executablePath.substr(0, slash + 1) + L"alarm.wav";
}

std::wstring AlarmSoundPath() { return AlarmSoundPathFor(PathBytesToWide(RunningExecutablePath())); }

}  // namespace taruk
