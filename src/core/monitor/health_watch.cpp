#include "core/monitor/health_watch.h"

#include "core/alarm/alarm_texts.h"
#include "core/drive/slot_health.h"

namespace taruk {

namespace {

// How bad a verdict is for the tooltip; unknown below caution, since nothing
// is known to be wrong.
int Rank(HealthVerdict verdict) {
  switch (verdict) {
    case HealthVerdict::Bad:
      return 3;
    case HealthVerdict::Caution:
      return 2;
    case HealthVerdict::Unknown:
      return 1;
    case HealthVerdict::Good:
      break;
  }
  return 0;
}

}  // namespace

bool HealthWorsened(const DriveHealth& now, const std::wstring& serialNumber, HealthSeen& seen) {
  if (seen.serialNumber != serialNumber) seen = HealthSeen{HealthVerdict::Good, {}, serialNumber};
  if (now.verdict == HealthVerdict::Unknown) return false;
  bool worse = false;
  if (Rank(now.verdict) > Rank(seen.worst)) {
    seen.worst = now.verdict;
    worse = true;
  }
  for (size_t k = 0; k < now.counts.size(); ++k) {
    if (now.counts[k] <= seen.highest[k]) continue;
    seen.highest[k] = now.counts[k];
    worse = true;
  }
  return worse;
}

std::wstring WorstDriveHealthLine(const DriveSlots& slots) {
  int worstDrive = -1;
  DriveHealth worst;
  worst.verdict = HealthVerdict::Good;
  for (size_t n = 0; n < slots.size(); ++n) {
    const DriveSlot& slot = slots[n];
    if (!slot.IsPresent()) continue;
    DriveHealth health = SlotHealth(slot);
    if (Rank(health.verdict) <= Rank(worst.verdict)) continue;
    worst = std::move(health);
    worstDrive = static_cast<int>(n);
  }
  if (worstDrive < 0) return {};
  return DriveHealthLine(worstDrive, slots[static_cast<size_t>(worstDrive)], worst);
}

}  // namespace taruk
