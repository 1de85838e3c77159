#include "core/metrics/metrics_exporter.h"

#include <algorithm>

#include "core/base/atomic_file.h"
#include "core/metrics/metrics_page.h"
#include "core/metrics/smartctl_exporter_page.h"

namespace taruk {

MetricsExporter::MetricsExporter(std::string version, std::string filePath,
                                 std::function<void(const std::string&)> reportError, bool smartctlSeries)
    : version(std::move(version)),
      filePath(std::move(filePath)),
      reportError(std::move(reportError)),
      smartctlSeries(smartctlSeries) {
  snapshot.Publish(MetricsPageBeforeFirstCycle(this->version));
}

MetricsExporter::Readings MetricsExporter::ReadingsOf(const CycleRecord& record, std::vector<VolumeSpace> volumes) {
  Readings readings{record.drives, record.answered, record.config, std::move(volumes)};
  for (DriveSlot& slot : readings.drives) {
    slot.hourHistory = {};
    slot.minuteHistory = {};
    slot.minuteStamp = slot.hourStamp = 0;
  }
  return readings;
}

bool MetricsExporter::Readings::operator==(const Readings& other) const {
  const auto sameVolume = [](const VolumeSpace& a, const VolumeSpace& b) {
    return a.root == b.root && a.freeBytes == b.freeBytes;
  };
  return drives == other.drives && answered == other.answered && config.pollInterval == other.config.pollInterval &&
         config.criticalTemperature == other.config.criticalTemperature &&
         config.minimumFreeSpace == other.config.minimumFreeSpace &&
         std::equal(volumes.begin(), volumes.end(), other.volumes.begin(), other.volumes.end(), sameVolume);
}

void MetricsExporter::CycleFinished(const CycleRecord& record) {
  Readings readings = ReadingsOf(record, record.volumes.FreeSpace(kMostVolumes));
  if (!lastReadings || !(readings == *lastReadings)) {
    // Made again in the room of the last one.
    readingsText.clear();
    readingsText += MetricsPageBeforeFirstCycle(version);
    AppendMetricsReadings(readingsText, record, readings.volumes);
    if (smartctlSeries) readingsText += SmartctlExporterReadings(record);
    lastReadings = std::move(readings);
    ++readingsVersion;
  }
  std::string page;
  // Room for the cycle's times, so that the page is copied once.
  page.reserve(readingsText.size() + kMetricsCycleTimesBytes);
  page = readingsText;
  AppendMetricsCycleTimes(page, record);
  if (!filePath.empty()) {
    // Read by another user: node_exporter's.
    const FileWrite write = ReplaceFileAtomically(filePath, page, 0644);
    if (!write && reportError) reportError("can't write the metrics to " + filePath + ": " + write.reason);
  }
  snapshot.Publish(std::move(page), readingsText.size(), readingsVersion);
}

}  // namespace taruk
