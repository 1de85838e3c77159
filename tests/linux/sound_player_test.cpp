// The alarm sound through a real PulseAudio server with a null sink, started
// by the test; what reached the sink is recorded from its monitor.

#include "linux/sound_player.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sndfile.h>
#include <stdlib.h>

#include <cmath>
#include <vector>

#include "support/child_process.h"

using namespace taruk;

namespace {

using namespace std::chrono_literals;

const std::string kAlarmWav = [] {
  const std::string binary = TARUK_BINARY;
  return binary.substr(0, binary.rfind('/') + 1) + "alarm.wav";
}();

class PulseServerTest : public testing::Test {
 protected:
  void SetUp() override {
    if (RunShell("command -v pulseaudio parecord pactl >/dev/null; echo $?") != "0\n") {
      GTEST_SKIP() << "pulseaudio and pulseaudio-utils are not installed (scripts/install-deps.sh test)";
    }
    const std::string runtime = folder / "pa";
    ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0);
    socket = runtime + "/native";
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    unsetenv("DISPLAY");
    // norewinds: without it the start of a recording is lost.
    ASSERT_TRUE(server.Start({"pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit=yes", "-n",
                              "--use-pid-file=no", "--log-target=stderr", "--log-level=error",
                              "--load=module-native-protocol-unix socket=" + socket + " auth-anonymous=1",
                              "--load=module-null-sink sink_name=taruk_null norewinds=1"},
                             "", folder / "pulseaudio.log"));
    setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
    ASSERT_TRUE(WaitUntil([] { return RunShell("pactl info >/dev/null 2>&1; echo $?") == "0\n"; }, 10s))
        << ReadFileBytes(folder / "pulseaudio.log");
  }

  void TearDown() override {
    recorder.Stop();
    server.Stop();
  }

  // Records the null sink's monitor until StopRecording.
  void StartRecording() {
    recording = folder / "recorded.wav";
    ASSERT_TRUE(recorder.Start({"parecord", "--device=taruk_null.monitor", "--file-format=wav", recording}));
    ASSERT_TRUE(WaitUntil([&] { return ReadFileBytes(recording).size() > 44; }, 5s));
  }

  void StopRecording() {
    recorder.Signal(SIGINT);
    recorder.Wait(5s);
  }

  // The part of the recording louder than the noise floor: its length in
  // seconds and its RMS level.
  struct Heard {
    double seconds = 0;
    double rms = 0;
  };
  Heard Analyse() {
    SF_INFO info{};
    SNDFILE* file = sf_open(recording.c_str(), SFM_READ, &info);
    EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
    if (!file) return {};
    std::vector<float> samples(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    // The first channel is enough: the mono tone is on every channel.
    std::vector<float> channel;
    for (size_t i = 0; i < samples.size(); i += static_cast<size_t>(info.channels)) channel.push_back(samples[i]);
    size_t first = channel.size(), last = 0;
    for (size_t i = 0; i < channel.size(); ++i) {
      if (std::fabs(channel[i]) > 0.01f) {
        first = std::min(first, i);
        last = i;
      }
    }
    if (first > last) return {};
    double sum = 0;
    for (size_t i = first; i <= last; ++i) sum += static_cast<double>(channel[i]) * channel[i];
    return {static_cast<double>(last - first + 1) / info.samplerate,
            std::sqrt(sum / static_cast<double>(last - first + 1))};
  }

  ScratchDir folder;
  std::string socket, recording;
  ChildProcess server, recorder;
};

TEST_F(PulseServerTest, AlarmToneReachesTheSinkWholeAtItsLevel) {
  StartRecording();
  std::string failure;
  ASSERT_TRUE(PlaySoundFile(kAlarmWav, failure)) << failure;
  // The call drained the stream before returning: had it not, freeing the
  // stream would have cut the tail, and no later wait brings it back.
  std::this_thread::sleep_for(300ms);
  StopRecording();
  const Heard heard = Analyse();
  // One second of tone at half of full scale: RMS 0.5 / sqrt(2). The faded
  // ends sit partly under the noise floor.
  EXPECT_NEAR(heard.seconds, 1.0, 0.03);
  EXPECT_NEAR(heard.rms, 0.5 / std::sqrt(2.0), 0.02);
}

TEST_F(PulseServerTest, FilesThatCannotBePlayedGiveTheReason) {
  std::string failure;
  EXPECT_FALSE(PlaySoundFile(folder / "missing.wav", failure));
  EXPECT_EQ(failure, folder / "missing.wav: No such file or directory");

  const std::string garbage = folder / "garbage.wav";
  WriteFileBytes(garbage, "this is not a sound at all, only some text that is long enough");
  EXPECT_FALSE(PlaySoundFile(garbage, failure));
  EXPECT_EQ(failure, garbage + ": Format not recognised.");

  EXPECT_FALSE(PlaySoundFile(folder.path(), failure));
  EXPECT_EQ(failure, folder.path() + ": not a sound file");

  // A file whose samples would not fit in memory is refused, not allocated.
  SoundPlayOptions small;
  small.mostDecodedBytes = 1000;
  EXPECT_FALSE(PlaySoundFile(kAlarmWav, failure, small));
  EXPECT_EQ(failure.rfind(kAlarmWav + ": too large to play (", 0), 0u) << failure;
}

TEST_F(PulseServerTest, NoServerIsAReasonNotAHang) {
  server.Stop();
  std::string failure;
  EXPECT_FALSE(PlaySoundFile(kAlarmWav, failure));
  EXPECT_EQ(failure, "sound server: Connection refused");
}

TEST_F(PulseServerTest, StuckServerTimesOutAndLaterSoundsPlayOnceItAnswers) {
  server.Signal(SIGSTOP);
  std::string failure;
  SoundPlayOptions options;
  options.spareTime = 500ms;
  EXPECT_FALSE(PlaySoundFile(kAlarmWav, failure, options));
  EXPECT_EQ(failure, "sound server: no answer within 1.5 s");
  // The one left waiting keeps later alarms from piling up behind it.
  EXPECT_FALSE(PlaySoundFile(kAlarmWav, failure, options));
  EXPECT_EQ(failure, "sound server: still not answering to the previous sound");

  server.Signal(SIGCONT);
  // The abandoned playback finishes on its own; then sounds play again.
  EXPECT_TRUE(WaitUntil([&] { return PlaySoundFile(kAlarmWav, failure); }, 15s)) << failure;
}

}  // namespace
