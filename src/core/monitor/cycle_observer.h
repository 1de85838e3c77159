#pragma once
// What a finished monitoring cycle leaves for those who report on it (the
// metrics exporter). Called on the cycle's own thread, after its last step.

#include <vector>

#include "core/drive/drive_slot.h"
#include "core/drive/volumes.h"
#include "core/settings/monitor_config.h"

namespace taruk {

struct CycleRecord {
  // Not "slots": Qt code includes this header, and Qt takes that word.
  const DriveSlots& drives;
  const MonitorConfig& config;
  // The volumes the cycle watches; querying them costs no drive I/O.
  Volumes& volumes;
  // Drive n opened in this cycle's pass. A slot keeps the values of a drive
  // that has gone, so presence alone can't tell that it went.
  std::vector<bool> answered;
  double durationSeconds = 0;
  double finishedUnixTime = 0;  // seconds since 1970, UTC
};

class CycleObserver {
 public:
  virtual ~CycleObserver() = default;
  virtual void CycleFinished(const CycleRecord& record) = 0;
};

}  // namespace taruk
