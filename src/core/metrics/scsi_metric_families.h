#pragma once
// What a SCSI disk counts beyond what every drive has (temperature, work
// time, self-tests): its grown defects and its uncorrected errors, each as
// the drive gave them; a drive that did not give one gets no sample.

#include <string>

#include "core/drive/drive_slot.h"
#include "core/metrics/metrics_family.h"

namespace taruk {

struct ScsiFamilies {
  MetricFamily grownDefects{"taruk_drive_scsi_grown_defects",
                            "Entries of the SCSI disk's grown defect list: blocks it took out of use."};
  MetricFamily uncorrected{"taruk_drive_scsi_uncorrected_errors",
                           "Errors the SCSI disk could not correct, by operation (read, write, verify)."};

  void Add(const std::string& labels, const DriveSlot& slot);
};

}  // namespace taruk
