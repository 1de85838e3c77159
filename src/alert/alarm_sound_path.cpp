#include "alert/alarm_sound_path.h"

#include <unistd.h>

#include <vector>

#include "app/path_text.h"

namespace {
constexpr size_t kLongestPath = 1 << 16;
}  // namespace

std::wstring AlarmSoundPathFor(const std::wstring& executablePath) {
  const size_t slash = executablePath.rfind(L'/');
  if (slash == std::wstring::npos) return executablePath;
  // Unlike a drive-letter path, a Linux path may have its last separator at
  // the very start: a program in "/" plays "/alarm.wav".
  return executablePath.substr(0, slash + 1) + L"alarm.wav";
}

std::wstring AlarmSoundPath() {
  // readlink does not say how long the path is; grow until it fits rather
  // than cutting a deep path short.
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return AlarmSoundPathFor(L"");
    if (static_cast<size_t>(length) < buffer.size()) {
      return AlarmSoundPathFor(PathBytesToWide(std::string_view(buffer.data(), static_cast<size_t>(length))));
    }
    if (buffer.size() >= kLongestPath) return AlarmSoundPathFor(L"");
    buffer.resize(buffer.size() * 2);
  }
}
