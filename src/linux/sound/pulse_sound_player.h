#pragma once
// The sound player itself, built into taruk-sound.so with the libraries it
// needs (libsndfile, the PulseAudio simple API): linux/sound_player.h loads
// it at the first sound and calls it through the module's one entry,
// taruk_play_sound_file.

#include "linux/sound_player.h"

namespace taruk {

bool PlaySoundFileWithPulseAudio(const std::string& path, std::string& error, const SoundPlayOptions& options);

}  // namespace taruk
