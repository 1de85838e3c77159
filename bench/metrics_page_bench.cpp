// The metrics page for the demo's four drives (NVMe, two ATA disks, one of
// them in caution, and an ATA disk behind an ATAPI device) and 26 volumes:
// what `--metrics-listen` and `--metrics-file` cost on top of a cycle. The
// whole page made from nothing, and the exporter's cycle, which makes the
// readings again only when they change.
#include <benchmark/benchmark.h>

#include <string>

#include "core/metrics/metrics_exporter.h"
#include "core/metrics/metrics_page.h"
#include "metrics_bench_drives.h"

using namespace taruk;

namespace {

void BuildMetricsPage(benchmark::State& state) {
  DemoCycle demo;
  const CycleRecord record = demo.Record();
  const std::vector<VolumeSpace> space = demo.volumes.FreeSpace(kMostVolumes);
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string page = MetricsPage(record, space, "2.0");
    bytes = page.size();
    benchmark::DoNotOptimize(page.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
  if (const char* lacking = LackingSample(MetricsPage(record, space, "2.0"))) {
    state.SkipWithError((std::string("the page lacks ") + lacking).c_str());
  }
}
BENCHMARK(BuildMetricsPage)->Unit(benchmark::kMicrosecond);

// A cycle's page when `changing` is false: the drives, volumes and settings
// as in the last cycle, only its time new; when true: a drive warmer by a
// degree in every cycle, so that the readings are made again.
void ExporterCycle(benchmark::State& state, bool changing) {
  DemoCycle demo;
  MetricsExporter exporter("2.0", "", nullptr);
  int64_t cycles = 0;
  for (auto _ : state) {
    if (changing) demo.slots[1].temperature = static_cast<uint32_t>(20 + cycles % 40);
    CycleRecord record = demo.Record();
    record.finishedUnixTime += static_cast<double>(cycles++);
    exporter.CycleFinished(record);
  }
  const PublishedPage page = exporter.Snapshot().Latest();
  state.counters["bytes"] = static_cast<double>(page.text->size());
  // The readings are made once when nothing changed, in every cycle when
  // something did.
  const uint64_t expected = changing ? static_cast<uint64_t>(cycles) : 1;
  if (page.readingsVersion != expected) {
    state.SkipWithError(("the readings were made " + std::to_string(page.readingsVersion) + " times in " +
                         std::to_string(cycles) + " cycles")
                            .c_str());
  } else if (const char* lacking = LackingSample(*page.text)) {
    state.SkipWithError((std::string("the page lacks ") + lacking).c_str());
  }
}
BENCHMARK_CAPTURE(ExporterCycle, unchanged, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ExporterCycle, drive_warmer, true)->Unit(benchmark::kMicrosecond);

}  // namespace
