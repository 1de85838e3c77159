#include "cli/metrics_outputs.h"

#include <cstdio>

#include "core/metrics/smartctl_exporter_page.h"

namespace taruk {

bool MetricsOutputs::Start(const CommandLine& commandLine, std::string& error) {
  if (commandLine.metricsListen.empty() && commandLine.metricsFile.empty()) return true;
  exporter = std::make_unique<MetricsExporter>(
      TARUK_VERSION, commandLine.metricsFile,
      [](const std::string& why) { std::fprintf(stderr, "taruk: Error: %s\n", why.c_str()); },
      commandLine.metricsCompat == kSmartctlExporterCompat);
  if (commandLine.metricsListen.empty()) return true;
  server = StartMetricsListener(commandLine.metricsListen, exporter->Snapshot(), error);
  return server != nullptr;
}

}  // namespace taruk
