#include "linux/sound_player.h"

#include <dlfcn.h>
#include <unistd.h>

#include "linux/reader_location.h"

namespace taruk {

namespace {

constexpr const char* kSoundModule = "taruk-sound.so";

using PlayFunction = bool (*)(const std::string&, std::string&, const SoundPlayOptions&);

// The sound libraries (libsndfile with its codecs, libpulse with the X11
// and systemd libraries beside it) are about two megabytes of a monitor that
// runs all day, for an action most never choose: they live in
// taruk-sound.so, beside taruk or in ../libexec/taruk, loaded at the first
// sound and kept.
struct SoundModule {
  PlayFunction play = nullptr;
  std::string problem;

  SoundModule() {
    const std::string path = FindTarukFile(kSoundModule, R_OK);
    if (path.empty()) {
      problem = std::string("the sound player ") + kSoundModule + " is missing (beside taruk or in ../libexec/taruk)";
      return;
    }
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
      problem = std::string("cannot load the sound player: ") + dlerror();
      return;
    }
    play = reinterpret_cast<PlayFunction>(dlsym(module, "taruk_play_sound_file"));
    if (!play) problem = path + " is not taruk's sound player";
  }
};

}  // namespace

bool PlaySoundFile(const std::string& path, std::string& failure, const SoundPlayOptions& options) {
  static const SoundModule module;
  if (!module.play) {
    failure = module.problem;
    return false;
  }
  return module.play(path, failure, options);
}

}  // namespace taruk
