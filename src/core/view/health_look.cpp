#include "core/view/health_look.h"

#include <algorithm>

#include "core/base/path_text.h"
#include "core/drive/slot_health.h"

namespace taruk {

std::optional<RgbColour> HealthBadgeColour(HealthVerdict verdict) {
  if (verdict == HealthVerdict::Caution) return RgbColour{240, 160, 0};
  if (verdict == HealthVerdict::Bad) return RgbColour{210, 20, 20};
  return std::nullopt;
}

std::optional<RgbColour> HealthRowColour(HealthVerdict weight) {
  if (weight == HealthVerdict::Caution) return palette::kCautionRow;
  if (weight == HealthVerdict::Bad) return palette::kBadRow;
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

TrayIconMode ReadTrayIconMode(const SideSettings& side) {
  return side.Text("tray", "icon").value_or("") == "temperature" ? TrayIconMode::Temperature : TrayIconMode::Health;
}

TrayIconMode LoadTrayIconMode() {
  SideSettings side;
  std::string ignored;
  LoadSideSettings(side, ignored);
  return ReadTrayIconMode(side);
}

std::wstring StoreTrayIconMode(TrayIconMode mode) {
  SideSettings side;
  std::string error;
  if (LoadSideSettings(side, error) != SideFileStatus::Bad) {
    if (ReadTrayIconMode(side) == mode) return L"";
    const std::string text = mode == TrayIconMode::Temperature ? "temperature" : "health";
    if (ChangeSideSettings({{"tray", "icon", SideValue{text}}}, error)) return L"";
  }
  return L"Can't store the tray icon's setting: " + PathBytesToWide(error);
}

TrayIconPlan PlanTrayIcon(const DriveSlots& slots, TrayIconMode mode) {
  TrayIconPlan plan;
  plan.verdict = TrayIconVerdict(slots);
  if (mode == TrayIconMode::Health) return plan;
  const DriveSlot* hottest = nullptr;
  for (const DriveSlot& slot : slots) {
    // 0 is no reading: a drive without a sensor is never the hottest.
    if (!slot.IsPresent() || slot.temperature == 0) continue;
    if (!hottest || slot.temperature > hottest->temperature) hottest = &slot;
  }
  if (!hottest) return plan;
  plan.temperature = std::to_wstring(std::min<uint32_t>(hottest->temperature, 999));
  // The colour is the worst drive's, not the hottest one's: a failing drive
  // that runs cool must not hide behind a healthy hot one.
  const std::optional<RgbColour> colour = HealthBadgeColour(plan.verdict);
  plan.background = colour ? *colour : RgbColour{30, 130, 60};
  return plan;
}

int TrayFigurePixelSize(int iconWidth, size_t digits) {
  // A digit of a bold sans-serif face is about 0.6 of its pixel size wide.
  const int byWidth = static_cast<int>(iconWidth * 10 / (6 * static_cast<int>(std::max<size_t>(digits, 1)) + 1));
  return std::max(6, std::min(byWidth, iconWidth * 9 / 10));
}

std::wstring PanelHealthText(const DriveSlot& slot) {
  const DriveHealth health = SlotHealth(slot);
  std::wstring line = std::wstring(L"Health: ") + HealthVerdictText(health.verdict);
  if (!health.reasons.empty()) line += L" (" + health.reasons.front().text + L")";
  return line;
}

}  // namespace taruk
