#include "core/view/health_look.h"

#include <algorithm>

#include "core/drive/slot_health.h"

namespace taruk {

std::optional<RgbColour> HealthBadgeColour(HealthVerdict verdict) {
  if (verdict == HealthVerdict::Caution) return RgbColour{240, 160, 0};
  if (verdict == HealthVerdict::Bad) return RgbColour{210, 20, 20};
  return std::nullopt;
}

int HealthBadgeSize(int iconWidth) { return std::max(8, iconWidth / 2); }

HealthVerdict TrayIconVerdict(const DriveSlots& slots) {
  HealthVerdict worst = HealthVerdict::Good;
  for (const DriveSlot& slot : slots) {
    if (!slot.IsPresent()) continue;
    const HealthVerdict verdict = SlotHealth(slot).verdict;
    if (verdict == HealthVerdict::Bad) return verdict;
    if (verdict == HealthVerdict::Caution) worst = verdict;
  }
  return worst;
}

bool TrayIconNeedsAttention(HealthVerdict trayVerdict) {
  return trayVerdict == HealthVerdict::Caution || trayVerdict == HealthVerdict::Bad;
}

std::wstring PanelHealthText(const DriveSlot& slot) {
  const DriveHealth health = SlotHealth(slot);
  std::wstring line = std::wstring(L"Health: ") + HealthVerdictText(health.verdict);
  if (!health.reasons.empty()) line += L" (" + health.reasons.front().text + L")";
  return line;
}

}  // namespace taruk
