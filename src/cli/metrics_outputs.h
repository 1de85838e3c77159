#pragma once
// --metrics-listen and --metrics-file, for the window and the headless
// monitor alike: the exporter the monitoring cycle reports to, and the HTTP
// server that serves its last page.

#include <memory>
#include <string>

#include "cli/command_line.h"
#include "cli/platform.h"
#include "core/metrics/metrics_exporter.h"

namespace taruk {

class MetricsOutputs {
 public:
  // False with a one-line `error` when the server can't listen. Start it
  // after the headless run has its hold on the stop requests: the server's
  // thread inherits it.
  bool Start(const CommandLine& commandLine, std::string& error);
  // The cycle's observer; null when neither output was asked for.
  CycleObserver* Observer() { return exporter.get(); }

 private:
  std::unique_ptr<MetricsExporter> exporter;
  std::unique_ptr<MetricsListener> server;
};

}  // namespace taruk
