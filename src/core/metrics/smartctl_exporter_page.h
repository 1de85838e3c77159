#pragma once
// The series of the Prometheus S.M.A.R.T. exporter (smartctl_exporter), with
// its names, labels and units, for dashboards and alert rules written for it:
// what `--metrics-compat smartctl-exporter` adds to the page.

#include <string>

#include "core/monitor/cycle_observer.h"

namespace taruk {

// The name `--metrics-compat` takes for this family.
inline constexpr const char* kSmartctlExporterCompat = "smartctl-exporter";

// The family for the drives that answered in the cycle: that exporter lists
// the devices it could read, so a drive that has gone is not on it.
std::string SmartctlExporterReadings(const CycleRecord& record);

// The `device` label that exporter gives a drive: the kernel name without
// "/dev/", an NVMe drive under its controller ("nvme0", as smartctl --scan
// lists it), '/' and '\' made '_'.
std::string SmartctlDeviceLabel(const std::string& device);

}  // namespace taruk
