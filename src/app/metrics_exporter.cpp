#include "app/metrics_exporter.h"

#include <cerrno>
#include <cstring>

#include "app/atomic_file.h"
#include "app/metrics_page.h"

namespace {

// The same volumes, in the same order and number, as the free-space test.
constexpr size_t kMostVolumes = 26;

std::vector<VolumeSpace> QueryVolumes(Volumes& volumes) {
  std::vector<VolumeSpace> spaces;
  std::vector<std::wstring> roots = volumes.Roots();
  if (roots.size() > kMostVolumes) roots.resize(kMostVolumes);
  for (const std::wstring& root : roots) {
    VolumeSpace space{root};
    if (volumes.FreeBytesAvailable(root, space.freeBytes)) spaces.push_back(space);
  }
  return spaces;
}

}  // namespace

MetricsExporter::MetricsExporter(std::string version, std::string filePath,
                                 std::function<void(const std::string&)> reportError)
    : version(std::move(version)), filePath(std::move(filePath)), reportError(std::move(reportError)) {
  snapshot.Publish(MetricsPageBeforeFirstCycle(this->version));
}

void MetricsExporter::CycleFinished(const CycleRecord& record) {
  std::string page = MetricsPage(record, QueryVolumes(record.volumes), version);
  if (!filePath.empty()) {
    errno = 0;
    if (!ReplaceFileAtomically(filePath, page) && reportError) {
      const int reason = errno;
      reportError("can't write the metrics to " + filePath + ": " +
                  (reason != 0 ? std::strerror(reason) : "the file could not be replaced"));
    }
  }
  snapshot.Publish(std::move(page));
}
