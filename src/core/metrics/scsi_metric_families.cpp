#include "core/metrics/scsi_metric_families.h"

namespace taruk {

void ScsiFamilies::Add(const std::string& labels, const DriveSlot& slot) {
  if (!slot.scsi) return;
  const ScsiHealth& scsi = *slot.scsi;
  if (scsi.grownDefects) grownDefects.Add(labels, *scsi.grownDefects);
  const std::pair<const char*, const std::optional<uint64_t>&> kinds[] = {
      {"read", scsi.readUncorrected}, {"write", scsi.writeUncorrected}, {"verify", scsi.verifyUncorrected}};
  for (const auto& [operation, count] : kinds) {
    if (count) uncorrected.Add(labels, static_cast<double>(*count), Label("operation", operation));
  }
}

}  // namespace taruk
