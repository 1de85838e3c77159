#include "app/metrics_exporter.h"

#include <fcntl.h>
#include <unistd.h>

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

// A file replaced in one step keeps the mode of the file it replaces, and a
// brand-new one would be private to its owner; but the metrics file is read
// by another user (node_exporter's). The first write therefore finds an
// empty file made as any other, with the permissions the umask allows.
void CreateIfMissing(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd >= 0) close(fd);
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
    CreateIfMissing(filePath);
    errno = 0;
    if (!ReplaceFileAtomically(filePath, page) && reportError) {
      const int reason = errno;
      reportError("can't write the metrics to " + filePath + ": " +
                  (reason != 0 ? std::strerror(reason) : "the file could not be replaced"));
    }
  }
  snapshot.Publish(std::move(page));
}
