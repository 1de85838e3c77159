#pragma once
// The monitor's state after a cycle as a Prometheus text exposition page
// (format 0.0.4): the page `--metrics-listen` serves and `--metrics-file`
// writes.

#include <cstdint>
#include <string>
#include <vector>

#include "core/monitor/cycle_observer.h"
#include "core/monitor/volumes.h"

namespace taruk {

// The page for one finished cycle; volumes without a known free space are
// left out.
std::string MetricsPage(const CycleRecord& record, const std::vector<VolumeSpace>& volumes, const std::string& version);

// The page before the first cycle: the build alone.
std::string MetricsPageBeforeFirstCycle(const std::string& version);

}  // namespace taruk
