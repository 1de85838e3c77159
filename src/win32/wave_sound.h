#pragma once
// Plays a sound file to its end before returning, through PlaySoundW.

#include <string>

namespace taruk {

// True when the file was played. Otherwise `failure` names the file and says
// why in the system's words (the file is missing, there is no sound device,
// the file could not be played). The system's default sound never stands in
// for a file that does not play.
bool PlayWaveFile(const std::wstring& path, std::wstring& failure);

}  // namespace taruk
