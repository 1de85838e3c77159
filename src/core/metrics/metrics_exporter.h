#pragma once
// After every monitoring cycle: the metrics page made from what the cycle
// left, published for the HTTP server and written to the metrics file.

#include <functional>
#include <string>

#include "core/monitor/cycle_observer.h"
#include "core/metrics/metrics_snapshot.h"

namespace taruk {

class MetricsExporter : public CycleObserver {
 public:
  // `filePath` empty: no file. `reportError` gets a one-line reason each
  // time the file can't be written; the monitor goes on.
  MetricsExporter(std::string version, std::string filePath, std::function<void(const std::string&)> reportError);

  void CycleFinished(const CycleRecord& record) override;
  MetricsSnapshot& Snapshot() { return snapshot; }

 private:
  std::string version;
  std::string filePath;
  std::function<void(const std::string&)> reportError;
  MetricsSnapshot snapshot;
};

}  // namespace taruk
