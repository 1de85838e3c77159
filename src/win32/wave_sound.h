#pragma once
// Plays a sound file to its end before returning, through PlaySoundW.

#include <chrono>
#include <string>

namespace taruk {

// True when the file was played. Otherwise `error` names the file and says
// why in the system's words (the file is missing, there is no sound device,
// the file could not be played). The system's default sound never stands in
// for a file that does not play. A sound still playing after `longest` is
// stopped and reported, so that a device that never finishes cannot hold the
// monitor.
bool PlayWaveFile(const std::wstring& path, std::wstring& error,
                  std::chrono::milliseconds longest = std::chrono::minutes(10));

}  // namespace taruk
