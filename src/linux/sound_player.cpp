#include "linux/sound_player.h"

#include "linux/taruk_module.h"

namespace taruk {

namespace {

using PlayFunction = bool (*)(const std::string&, std::string&, const SoundPlayOptions&);

// The sound libraries (libsndfile with its codecs, libpulse with the X11
// and systemd libraries beside it) are about two megabytes of a monitor that
// runs all day, for an action most never choose: they live in
// taruk-sound.so, loaded at the first sound and kept.
struct SoundModule {
  std::string problem;
  PlayFunction play =
      reinterpret_cast<PlayFunction>(TarukModuleSymbol("taruk-sound.so", "taruk_play_sound_file", problem));
};

}  // namespace

bool PlaySoundFile(const std::string& path, std::string& error, const SoundPlayOptions& options) {
  static const SoundModule module;
  if (!module.play) {
    error = "the sound player " + module.problem;
    return false;
  }
  return module.play(path, error, options);
}

}  // namespace taruk
