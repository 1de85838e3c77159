// Writes the alarm sound that ships beside taruk: one second of a two-tone
// signal (880 Hz and 660 Hz, a quarter second each, twice) at half of full
// scale, mono, 44.1 kHz, 16-bit PCM. The phase runs on across each change of
// pitch and the ends are faded over 10 ms, so the tone has no clicks.
//   make_alarm_wav OUTPUT.wav
// Only the standard library: a Windows build runs the same program on the
// build machine, and both builds ship the same bytes.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

namespace {

void PutLittleEndian(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

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
  constexpr uint32_t kDataBytes = kFrames * 2;

  // The canonical 44-byte header: RIFF, a 16-byte fmt chunk, the data chunk.
  std::string wav = "RIFF";
  PutLittleEndian(wav, 36 + kDataBytes, 4);
  wav += "WAVEfmt ";
  PutLittleEndian(wav, 16, 4);
  PutLittleEndian(wav, 1, 2);  // PCM
  PutLittleEndian(wav, 1, 2);  // mono
  PutLittleEndian(wav, kRate, 4);
  PutLittleEndian(wav, kRate * 2, 4);  // bytes per second
  PutLittleEndian(wav, 2, 2);          // bytes per frame
  PutLittleEndian(wav, 16, 2);         // bits per sample
  wav += "data";
  PutLittleEndian(wav, kDataBytes, 4);

  double phase = 0;
  for (int i = 0; i < kFrames; ++i) {
    const double frequency = (i / kSegmentFrames) % 2 == 0 ? 880.0 : 660.0;
    double gain = kAmplitude;
    if (i < kFadeFrames) gain *= static_cast<double>(i) / kFadeFrames;
    if (kFrames - 1 - i < kFadeFrames) gain *= static_cast<double>(kFrames - 1 - i) / kFadeFrames;
    // Single precision, scaled by 0x7FFF and rounded to the nearest (even)
    // integer: the samples as the sound has always been made.
    const float sample = static_cast<float>(gain * std::sin(phase));
    const long value = std::lrintf(32767.0f * sample);
    PutLittleEndian(wav, static_cast<uint32_t>(static_cast<int16_t>(value)) & 0xFFFF, 2);
    phase = std::fmod(phase + 2 * std::numbers::pi * frequency / kRate, 2 * std::numbers::pi);
  }

  std::FILE* file = std::fopen(argv[1], "wb");
  if (!file) {
    std::perror(argv[1]);
    return 1;
  }
  const bool written = std::fwrite(wav.data(), 1, wav.size(), file) == wav.size();
  if (std::fclose(file) != 0 || !written) {
    std::fprintf(stderr, "make_alarm_wav: %s: could not write the whole sound\n", argv[1]);
    return 1;
  }
  return 0;
}
