#include "core/alarm/alarm_sound_path.h"

#include "core/base/executable_path.h"
#include "core/base/path_text.h"

namespace taruk {

std::wstring AlarmSoundPathFor(const std::wstring& executablePath) {
  size_t end = executablePath.size();  // just behind the last separator
  while (end > 0 && !IsPathSeparator(executablePath[end - 1])) --end;
  // Cut only behind a separator after the first character: a path whose last
  // separator is its first is left as it is, and then fails to play with a
  // reason.
  if (end <= 1) return executablePath;
  return executablePath.substr(0, end) + L"alarm.wav";
}

std::wstring AlarmSoundPath() { return AlarmSoundPathFor(PathBytesToWide(RunningExecutablePath())); }

}  // namespace taruk
