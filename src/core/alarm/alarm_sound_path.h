#pragma once
// alarmSoundPath: "alarm.wav" in the folder of the running executable.

#include <string>

namespace taruk {

// The executable's folder (everything up to its last separator, '/' or on
// Windows also '\') followed by "alarm.wav"; a path without a separator
// after its first character ("taruk", "/taruk") is returned as it is, and
// then fails to play with a readable reason.
std::wstring AlarmSoundPathFor(const std::wstring& executablePath);

// AlarmSoundPathFor the path of the running executable.
std::wstring AlarmSoundPath();

}  // namespace taruk
