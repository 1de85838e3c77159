// One whole monitoring cycle: four replayed drives read in full (capture
// files read afresh, as every cycle reopens its drives) and 26 volumes
// answered from a volumes file, with the free-space test on. CPU time per
// cycle, once without any action carried out and once with balloons; then
// with the metrics page made after each cycle, and also written to a file.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/capture/replay_device_opener.h"
#include "core/capture/replay_volumes.h"
#include "core/metrics/metrics_exporter.h"
#include "core/monitor/monitoring_cycle.h"

using namespace taruk;

namespace {

// Balloons that go nowhere; the cost measured is the monitor's own.
class CountingPlatform : public AlertPlatform {
 public:
  int64_t balloons = 0;
  void ShowBalloon(const std::wstring&, const std::wstring& text, int) override { balloons += !text.empty(); }
  bool EnableShutdownPrivilege(PowerAction) override { return false; }
  void ShutDown() override {}
  void Suspend() override {}
  void Hibernate() override {}
  bool PlaySoundFile(const std::wstring&, std::wstring&) override { return true; }
  void ShowSystemError(const std::wstring&) override {}
};

class FixedClock : public Clock {
 public:
  int CurrentHour() override { return 12; }
  int CurrentMinute() override { return 30; }
};

// `drives` drives, the demo's four over and over (copies share an id and are
// told apart by order of appearance), and 26 volumes of 1 to 26 MB free.
std::string MakeReplayFolder(int drives = 4) {
  std::string folder = std::filesystem::temp_directory_path() / "taruk-bench-XXXXXX";
  if (!mkdtemp(folder.data())) std::abort();
  for (int n = 0; n < drives; ++n) {
    const std::string demo = "drive" + std::to_string(n % 4) + ".capture";
    std::filesystem::copy_file(std::string(TARUK_DEMO_DIR) + "/" + demo,
                               folder + "/drive" + std::to_string(n) + ".capture");
  }
  std::ofstream volumes(folder + "/volumes");
  for (int i = 0; i < 26; ++i) volumes << "/mnt/volume" << i << " " << 1'000'000 * (i + 1) << "\n";
  return folder;
}

enum class Metrics { None, Page, PageAndFile };

void RunCycles(benchmark::State& state, AlarmAction temperatureAction, uint32_t minimumFreeSpace,
               Metrics metrics = Metrics::None, int driveCount = 4, bool settled = false) {
  const std::string folder = MakeReplayFolder(driveCount);
  if (settled) std::this_thread::sleep_for(std::chrono::milliseconds(3100));
  ReplayDeviceOpener drives(folder);
  ReplayVolumes volumes(ReplayVolumesPath(folder));
  FixedClock clock;
  CountingPlatform platform;
  MonitorView view;
  DriveSlots slots = DriveSlots(kDiskButtonCount);
  MonitorConfig config;
  config.criticalTemperature = 1;
  config.temperatureAction = temperatureAction;
  config.freeSpaceAction = AlarmAction::ShowNotification;
  config.minimumFreeSpace = minimumFreeSpace;
  MetricsExporter exporter("bench", metrics == Metrics::PageAndFile ? folder + "/taruk.prom" : "", nullptr);
  MonitorCore core(slots, config, {drives, volumes, clock, platform, metrics == Metrics::None ? nullptr : &exporter},
                   view);
  for (auto _ : state) core.RunMonitoringCycle();
  state.counters["balloons/cycle"] =
      benchmark::Counter(static_cast<double>(platform.balloons) / static_cast<double>(state.iterations()));
  std::filesystem::remove_all(folder);
}

// Every drive and volume tested, nothing in alarm carried out: the
// temperature action is None and no volume is down to the minimum of 0.
void BM_CycleActionNone(benchmark::State& state) { RunCycles(state, AlarmAction::None, 0); }
// Every hot drive and every volume raises a balloon.
void BM_CycleBalloons(benchmark::State& state) { RunCycles(state, AlarmAction::ShowNotification, 100); }

// The page made after every cycle (--metrics-listen), and also written to
// a file in one step (--metrics-file), which syncs it to the disk.
void BM_CycleMetricsPage(benchmark::State& state) { RunCycles(state, AlarmAction::None, 0, Metrics::Page); }
void BM_CycleMetricsFile(benchmark::State& state) { RunCycles(state, AlarmAction::None, 0, Metrics::PageAndFile); }

// The whole cycle over 4 and over 64 drives, metrics page included: its cost
// per drive should not grow with the number of drives. The captures are left
// to settle first, as those of a replay folder long have, so that a cycle
// reads none of the unchanged files again (capture_file.h).
void BM_CycleDrives(benchmark::State& state) {
  RunCycles(state, AlarmAction::None, 0, Metrics::Page, static_cast<int>(state.range(0)), true);
  state.counters["drives"] = static_cast<double>(state.range(0));
}

BENCHMARK(BM_CycleActionNone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CycleDrives)->Arg(4)->Arg(16)->Arg(64)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CycleBalloons)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CycleMetricsPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CycleMetricsFile)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
