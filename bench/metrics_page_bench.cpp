// The metrics page for the demo's four drives (NVMe, two ATA disks, one of
// them in caution, and an ATA disk behind an ATAPI device) and 26 volumes:
// what `--metrics-listen` and `--metrics-file` cost on top of a cycle.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "core/capture/replay_device_opener.h"
#include "core/drive/read_drive_info.h"
#include "core/monitor/drive_numbering.h"
#include "core/metrics/metrics_page.h"

using namespace taruk;

namespace {

// Free-space queries answered from memory: the page's cost alone.
class FixedVolumes : public Volumes {
 public:
  std::vector<std::wstring> Roots() override { return {}; }
  bool FreeBytesAvailable(const std::wstring&, uint64_t&) override { return false; }
};

std::vector<VolumeSpace> TwentySixVolumes() {
  std::vector<VolumeSpace> volumes;
  for (int i = 0; i < 26; ++i) volumes.push_back({L"/mnt/volume" + std::to_wstring(i), 1'000'000ull * (i + 1)});
  return volumes;
}

void BuildMetricsPage(benchmark::State& state) {
  ReplayDeviceOpener opener(TARUK_DEMO_DIR);
  DriveSlots slots{};
  ReadEveryDrive(opener, slots);
  MonitorConfig config;
  FixedVolumes volumes;
  CycleRecord record{slots, config, volumes};
  record.answered.assign(slots.size(), true);
  record.finishedUnixTime = 1'700'000'000.25;
  record.durationSeconds = 0.000412;
  const std::vector<VolumeSpace> space = TwentySixVolumes();
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string page = MetricsPage(record, space, "2.0");
    bytes = page.size();
    benchmark::DoNotOptimize(page.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
  // Every drive's attributes and every volume made it onto the page.
  const std::string page = MetricsPage(record, space, "2.0");
  for (const char* sample : {"taruk_drive_present{drive=\"3\"", "taruk_drive_nvme_critical_warning{drive=\"0\"",
                             "taruk_drive_attribute_raw{drive=\"1\"", "root=\"/mnt/volume25\""}) {
    if (page.find(sample) == std::string::npos) state.SkipWithError(("the page lacks " + std::string(sample)).c_str());
  }
}
BENCHMARK(BuildMetricsPage)->Unit(benchmark::kMicrosecond);

}  // namespace
