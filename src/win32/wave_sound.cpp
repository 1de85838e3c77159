#include <windows.h>

#include "win32/wave_sound.h"

#include <mmsystem.h>

#include <chrono>
#include <future>
#include <thread>

#include "win32/system_error_text.h"

namespace taruk {

namespace {

struct Played {
  bool played = false;
  DWORD code = 0;
};

Played Play(const std::wstring& path) {
  SetLastError(0);
  Played result;
  result.played = PlaySoundW(path.c_str(), nullptr, SND_FILENAME | SND_SYNC | SND_NODEFAULT);
  if (!result.played) result.code = GetLastError();
  return result;
}

}  // namespace

bool PlayWaveFile(const std::wstring& path, std::wstring& error, std::chrono::milliseconds longest) {
  // The sound plays on a thread of its own, so that a sound device that
  // never finishes cannot hold the monitor: past `longest` it is stopped.
  std::packaged_task<Played()> task([path] { return Play(path); });
  std::future<Played> done = task.get_future();
  std::thread player(std::move(task));
  if (done.wait_for(longest) != std::future_status::ready) {
    PlaySoundW(nullptr, nullptr, 0);
    if (done.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
      player.detach();  // the system keeps it; the monitor goes on
      error = path + L": the sound device did not finish playing it";
      return false;
    }
    player.join();
    error = path + L": still playing after " +
            std::to_wstring(std::chrono::duration_cast<std::chrono::seconds>(longest).count()) + L" s; stopped";
    return false;
  }
  player.join();
  const Played result = done.get();
  if (result.played) return true;
  // PlaySoundW often fails without setting an error, or with one that says
  // nothing about the file (an invalid handle for a missing one): look at
  // the file and the devices for the reason the user can act on.
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    error = path + L": " + SystemErrorText(GetLastError());
  } else if (waveOutGetNumDevs() == 0) {
    error = path + L": there is no sound output device to play it on";
  } else if (result.code != 0) {
    error = path + L": " + SystemErrorText(result.code);
  } else {
    error = path + L": the file could not be played (not a sound the system can play)";
  }
  return false;
}

}  // namespace taruk
