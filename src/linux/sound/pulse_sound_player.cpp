#include "linux/sound/pulse_sound_player.h"

#include <pulse/error.h>
#include <pulse/sample.h>
#include <pulse/simple.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace taruk {

namespace {

struct DecodedSound {
  std::vector<float> samples;  // interleaved
  pa_sample_spec sampleFormat{};
  std::chrono::milliseconds duration{0};
};

bool Decode(const std::string& path, const SoundPlayOptions& options, DecodedSound& sound, std::string& error) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(status.st_mode)) {
    error = path + ": not a sound file";
    return false;
  }
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) {
    error = path + ": " + sf_strerror(nullptr);
    return false;
  }
  std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> closer(file, sf_close);
  if (info.channels < 1 || static_cast<uint32_t>(info.channels) > PA_CHANNELS_MAX || info.samplerate < 1 ||
      static_cast<uint32_t>(info.samplerate) > PA_RATE_MAX) {
    error = path + ": " + std::to_string(info.channels) + " channels at " + std::to_string(info.samplerate) +
            " Hz cannot be played";
    return false;
  }
  if (info.frames < 0 || info.frames / info.samplerate > options.longestSound.count()) {
    error = path + ": longer than " + std::to_string(options.longestSound.count()) + " seconds";
    return false;
  }
  // Within the longest sound, frames times channels can't overflow here.
  const uint64_t decodedBytes =
      static_cast<uint64_t>(info.frames) * static_cast<uint64_t>(info.channels) * sizeof(float);
  if (decodedBytes > options.mostDecodedBytes) {
    error = path + ": too large to play (" + std::to_string(decodedBytes >> 20) + " MB of samples)";
    return false;
  }
  sound.samples.resize(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
  const sf_count_t read = sf_readf_float(file, sound.samples.data(), info.frames);
  if (read < 0) {
    error = path + ": " + sf_strerror(file);
    return false;
  }
  sound.samples.resize(static_cast<size_t>(read) * static_cast<size_t>(info.channels));
  sound.sampleFormat.format = PA_SAMPLE_FLOAT32NE;
  sound.sampleFormat.channels = static_cast<uint8_t>(info.channels);
  sound.sampleFormat.rate = static_cast<uint32_t>(info.samplerate);
  sound.duration = std::chrono::milliseconds(read * 1000 / info.samplerate);
  return true;
}

// One playback, shared between the caller and the thread that talks to the
// server, so that a caller that gave up can leave the thread behind safely.
struct Playback {
  DecodedSound sound;
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  bool played = false;
  std::string error;
};

void Play(const std::shared_ptr<Playback>& playback, std::atomic<bool>& busy) {
  int code = 0;
  std::string error;
  pa_simple* stream = pa_simple_new(nullptr, "Taruk", PA_STREAM_PLAYBACK, nullptr, "Alarm",
                                    &playback->sound.sampleFormat, nullptr, nullptr, &code);
  if (!stream) {
    error = std::string("sound server: ") + pa_strerror(code);
  } else {
    const size_t bytes = playback->sound.samples.size() * sizeof(float);
    if (bytes > 0 && pa_simple_write(stream, playback->sound.samples.data(), bytes, &code) < 0) {
      error = std::string("sound server: ") + pa_strerror(code);
    } else if (pa_simple_drain(stream, &code) < 0) {
      // Without the drain, freeing the stream would cut the sound's tail.
      error = std::string("sound server: ") + pa_strerror(code);
    }
    pa_simple_free(stream);
  }
  // Cleared before the caller hears of the end, so that its next sound is
  // never refused for this one.
  busy = false;
  {
    std::lock_guard lock(playback->mutex);
    playback->done = true;
    playback->played = error.empty();
    playback->error = error;
  }
  playback->finished.notify_all();
}

// True while a playback the caller gave up on is still waiting for the server.
std::atomic<bool> stuckPlayback{false};

}  // namespace

bool PlaySoundFileWithPulseAudio(const std::string& path, std::string& error, const SoundPlayOptions& options) {
  auto playback = std::make_shared<Playback>();
  if (!Decode(path, options, playback->sound, error)) return false;
  // At most one playback is ever left waiting on a server that does not
  // answer; later alarms fail at once instead of piling up threads.
  bool expected = false;
  if (!stuckPlayback.compare_exchange_strong(expected, true)) {
    error = "sound server: still not answering to the previous sound";
    return false;
  }
  std::thread(Play, playback, std::ref(stuckPlayback)).detach();

  std::unique_lock lock(playback->mutex);
  const auto limit = playback->sound.duration + options.spareTime;
  if (!playback->finished.wait_for(lock, limit, [&] { return playback->done; })) {
    error = "sound server: no answer within " + std::to_string(limit.count() / 1000) + "." +
            std::to_string(limit.count() % 1000 / 100) + " s";
    return false;
  }
  if (!playback->played) error = playback->error;
  return playback->played;
}

}  // namespace taruk

// The module's one entry, looked up by linux/sound_player.cpp.
extern "C" __attribute__((visibility("default"))) bool taruk_play_sound_file(const std::string& path,
                                                                             std::string& error,
                                                                             const taruk::SoundPlayOptions& options) {
  return taruk::PlaySoundFileWithPulseAudio(path, error, options);
}
