#pragma once
// The monitor's state after a cycle as a Prometheus text exposition page
// (format 0.0.4): the page `--metrics-listen` serves and `--metrics-file`
// writes.

#include <cstdint>
#include <string>
#include <vector>

#include "core/drive/volumes.h"
#include "core/monitor/cycle_observer.h"

namespace taruk {

// The page for one finished cycle; volumes without a known free space are
// left out. It is the build, the readings, then the cycle's times: the
// times change with every cycle, the readings only when the drives, volumes
// or settings do, and what stays the same comes first, so that its gzipped
// form can be kept (linux/gzip_text.h).
std::string MetricsPage(const CycleRecord& record, const std::vector<VolumeSpace>& volumes, const std::string& version);
std::string MetricsReadings(const CycleRecord& record, const std::vector<VolumeSpace>& volumes);
std::string MetricsCycleTimes(const CycleRecord& record);
// The same, added to `page`.
void AppendMetricsReadings(std::string& page, const CycleRecord& record, const std::vector<VolumeSpace>& volumes);
void AppendMetricsCycleTimes(std::string& page, const CycleRecord& record);

// The bytes of the cycle's times, at most.
constexpr std::size_t kMetricsCycleTimesBytes = 512;

// The page before the first cycle: the build alone.
std::string MetricsPageBeforeFirstCycle(const std::string& version);

}  // namespace taruk
