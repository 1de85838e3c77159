// The gzipped metrics page a scraper that accepts gzip gets (Prometheus
// always asks for it): the whole page compressed, against the page whose
// readings were compressed in an earlier cycle, with only the cycle's times
// new. Each checks that the bytes unpack to the page.
#include <benchmark/benchmark.h>

#include <string>

#include "core/metrics/metrics_exporter.h"
#include "linux/gzip_text.h"
#include "metrics_bench_drives.h"

using namespace taruk;

namespace {

// The exporter's page after one more cycle of the demo, with only the time new.
PublishedPage NextPage(MetricsExporter& exporter, DemoCycle& demo, int& cycle) {
  CycleRecord record = demo.Record();
  record.finishedUnixTime += cycle++;
  exporter.CycleFinished(record);
  return exporter.Snapshot().Latest();
}

void Check(benchmark::State& state, const std::string& packed, const std::string& page) {
  state.counters["bytes"] = static_cast<double>(packed.size());
  state.counters["page_bytes"] = static_cast<double>(page.size());
  if (GunzipText(packed) != page) state.SkipWithError("the gzipped page does not unpack to the page");
}

void GzipWholePage(benchmark::State& state) {
  DemoCycle demo;
  MetricsExporter exporter("2.0", "", nullptr);
  int cycle = 0;
  const PublishedPage page = NextPage(exporter, demo, cycle);
  std::string packed;
  for (auto _ : state) {
    packed = GzipText(*page.text);
    benchmark::DoNotOptimize(packed.data());
  }
  Check(state, packed, *page.text);
}
BENCHMARK(GzipWholePage)->Unit(benchmark::kMicrosecond);

void GzipAfterUnchangedReadings(benchmark::State& state) {
  DemoCycle demo;
  MetricsExporter exporter("2.0", "", nullptr);
  GzipAfterFixedStart gzipper;
  int cycle = 0;
  std::string packed;
  PublishedPage page;
  for (auto _ : state) {
    state.PauseTiming();
    page = NextPage(exporter, demo, cycle);
    state.ResumeTiming();
    const std::string_view text = *page.text;
    packed = gzipper.Gzip(text.substr(0, page.readingsLength), page.readingsVersion, text.substr(page.readingsLength));
    benchmark::DoNotOptimize(packed.data());
  }
  Check(state, packed, *page.text);
  if (page.readingsVersion != 1) state.SkipWithError("the readings changed between cycles");
}
BENCHMARK(GzipAfterUnchangedReadings)->Unit(benchmark::kMicrosecond);

}  // namespace
