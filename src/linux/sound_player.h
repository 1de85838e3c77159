#pragma once
// Plays a sound file to its end before returning: libsndfile decodes it, the
// PulseAudio simple API plays it (PipeWire desktops serve that API too).

#include <chrono>
#include <cstddef>
#include <string>

namespace taruk {

struct SoundPlayOptions {
  // How much longer than the sound itself playing may take before the call
  // gives up: a sound server that stopped answering must not hang the monitor.
  std::chrono::milliseconds spareTime{10'000};
  // Files longer than this are refused rather than held in memory.
  std::chrono::seconds longestSound{600};
  // The decoded samples are held in memory whole. A header may claim many
  // channels at a high rate for all of that time, more than the machine can
  // give: such a file is refused rather than ending the monitor.
  size_t mostDecodedBytes = size_t{256} << 20;
};

// True when the whole file was played. Otherwise `error` says why in words
// a user can act on: the file is missing or unreadable, its format is not
// one libsndfile knows, the sound server cannot be reached or did not answer.
bool PlaySoundFile(const std::string& path, std::string& error, const SoundPlayOptions& options = {});

}  // namespace taruk
