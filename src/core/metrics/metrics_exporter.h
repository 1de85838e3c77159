#pragma once
// After every monitoring cycle: the metrics page made from what the cycle
// left, published for the HTTP server and written to the metrics file.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/metrics/metrics_snapshot.h"
#include "core/monitor/cycle_observer.h"

namespace taruk {

class MetricsExporter : public CycleObserver {
 public:
  // `filePath` empty: no file. `reportError` gets a one-line reason each
  // time the file can't be written; the monitor goes on. `smartctlSeries`:
  // the smartctl_exporter family too (smartctl_exporter_page.h).
  MetricsExporter(std::string version, std::string filePath, std::function<void(const std::string&)> reportError,
                  bool smartctlSeries = false);

  void CycleFinished(const CycleRecord& record) override;
  MetricsSnapshot& Snapshot() { return snapshot; }

 private:
  // What the readings part of the page is made from: the slots without
  // their histories (which change every minute and are not on the page), the
  // drives that answered, the settings and the volumes' free space.
  struct Readings {
    DriveSlots drives;
    std::vector<bool> answered;
    MonitorConfig config;
    std::vector<VolumeSpace> volumes;
    bool operator==(const Readings&) const;
  };
  static Readings ReadingsOf(const CycleRecord& record, std::vector<VolumeSpace> volumes);

  std::string version;
  std::string filePath;
  std::function<void(const std::string&)> reportError;
  bool smartctlSeries;
  MetricsSnapshot snapshot;
  // The last cycle's readings and their text, made again only when they change.
  std::optional<Readings> lastReadings;
  std::string readingsText;
  uint64_t readingsVersion = 0;  // counts the readings texts made
};

}  // namespace taruk
