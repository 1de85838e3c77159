#include "alert/alarm_sound_path.h"

#include "app/executable_path.h"
#include "app/path_text.h"

std::wstring AlarmSoundPathFor(const std::wstring& executablePath) {
  const size_t slash = executablePath.rfind(L'/');
  if (slash == std::wstring::npos) return executablePath;
  // Unlike a drive-letter path, a Linux path may have its last separator at
  // the very start: a program in "/" plays "/alarm.wav".
  return executablePath.substr(0, slash + 1) + L"alarm.wav";
}

std::wstring AlarmSoundPath() { return AlarmSoundPathFor(PathBytesToWide(RunningExecutablePath())); }
