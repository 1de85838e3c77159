#pragma once
// The monitor's state after a cycle as a Prometheus text exposition page
// (format 0.0.4): the page `--metrics-listen` serves and `--metrics-file`
// writes.

#include <cstdint>
#include <string>
#include <vector>

#include "core/monitor/cycle_observer.h"
#include "core/drive/volumes.h"

namespace taruk {

// The page for one finished cycle; volumes without a known free space are
// left out. It is the head followed by the readings: the head changes with
// every cycle, the readings only when the drives, volumes or settings do.
std::string MetricsPage(const CycleRecord& record, const std::vector<VolumeSpace>& volumes, const std::string& version);
std::string MetricsPageHead(const CycleRecord& record, const std::string& version);
std::string MetricsReadings(const CycleRecord& record, const std::vector<VolumeSpace>& volumes);

// The page before the first cycle: the build alone.
std::string MetricsPageBeforeFirstCycle(const std::string& version);

}  // namespace taruk
