// Writes the alarm sound that ships beside taruk: one second of a two-tone
// signal (880 Hz and 660 Hz, a quarter second each, twice) at half of full
// scale, mono, 44.1 kHz, 16-bit PCM. The phase runs on across each change of
// pitch and the ends are faded over 10 ms, so the tone has no clicks.
//   make_alarm_wav OUTPUT.wav

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: make_alarm_wav OUTPUT.wav\n", stderr);
    return 2;
  }
  constexpr int kRate = 44100;
  constexpr int kSegments = 4;
  constexpr int kSegmentFrames = kRate / 4;
  constexpr int kFadeFrames = kRate / 100;
  constexpr double kAmplitude = 0.5;
  constexpr int kFrames = kSegments * kSegmentFrames;

  std::vector<float> samples(kFrames);
  double phase = 0;
  for (int i = 0; i < kFrames; ++i) {
    const double frequency = (i / kSegmentFrames) % 2 == 0 ? 880.0 : 660.0;
    double gain = kAmplitude;
    if (i < kFadeFrames) gain *= static_cast<double>(i) / kFadeFrames;
    if (kFrames - 1 - i < kFadeFrames) gain *= static_cast<double>(kFrames - 1 - i) / kFadeFrames;
    samples[static_cast<size_t>(i)] = static_cast<float>(gain * std::sin(phase));
    phase = std::fmod(phase + 2 * std::numbers::pi * frequency / kRate, 2 * std::numbers::pi);
  }

  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(argv[1], SFM_WRITE, &info);
  if (!file) {
    std::fprintf(stderr, "make_alarm_wav: %s: %s\n", argv[1], sf_strerror(nullptr));
    return 1;
  }
  const sf_count_t written = sf_writef_float(file, samples.data(), kFrames);
  if (sf_close(file) != 0 || written != kFrames) {
    std::fprintf(stderr, "make_alarm_wav: %s: could not write the whole sound\n", argv[1]);
    return 1;
  }
  return 0;
}
