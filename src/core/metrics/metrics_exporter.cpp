#include "core/metrics/metrics_exporter.h"

#include "core/base/atomic_file.h"
#include "core/metrics/metrics_page.h"

namespace taruk {

MetricsExporter::MetricsExporter(std::string version, std::string filePath,
                                 std::function<void(const std::string&)> reportError)
    : version(std::move(version)), filePath(std::move(filePath)), reportError(std::move(reportError)) {
  snapshot.Publish(MetricsPageBeforeFirstCycle(this->version));
}

void MetricsExporter::CycleFinished(const CycleRecord& record) {
  std::string page = MetricsPage(record, record.volumes.FreeSpace(kMostVolumes), version);
  if (!filePath.empty()) {
    // Read by another user: node_exporter's.
    const FileWrite write = ReplaceFileAtomically(filePath, page, 0644);
    if (!write && reportError) reportError("can't write the metrics to " + filePath + ": " + write.reason);
  }
  snapshot.Publish(std::move(page));
}

}  // namespace taruk
