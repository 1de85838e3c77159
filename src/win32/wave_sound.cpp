#include "win32/wave_sound.h"

#include <windows.h>
#include <mmsystem.h>

#include "win32/system_error_text.h"

namespace taruk {

bool PlayWaveFile(const std::wstring& path, std::wstring& failure) {
  SetLastError(0);
  if (PlaySoundW(path.c_str(), nullptr, SND_FILENAME | SND_SYNC | SND_NODEFAULT)) return true;
  const DWORD playError = GetLastError();
  // PlaySoundW often fails without setting an error, or with one that says
  // nothing about the file (an invalid handle for a missing one): look at
  // the file and the devices for the reason the user can act on.
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    failure = path + L": " + SystemErrorText(GetLastError());
  } else if (waveOutGetNumDevs() == 0) {
    failure = path + L": there is no sound output device to play it on";
  } else if (playError != 0) {
    failure = path + L": " + SystemErrorText(playError);
  } else {
    failure = path + L": the file could not be played (not a sound the system can play)";
  }
  return false;
}

}  // namespace taruk
