#pragma once
// The monitor's state after a cycle as a Prometheus text exposition page
// (format 0.0.4): the page `--metrics-listen` serves and `--metrics-file`
// writes.

#include <cstdint>
#include <string>
#include <vector>

#include "app/cycle_observer.h"

struct VolumeSpace {
  std::wstring root;
  uint64_t freeBytes = 0;
};

// The page for one finished cycle; `volumes` holds the volumes that answered.
std::string MetricsPage(const CycleRecord& record, const std::vector<VolumeSpace>& volumes, const std::string& version);

// The page before the first cycle: the build alone.
std::string MetricsPageBeforeFirstCycle(const std::string& version);
