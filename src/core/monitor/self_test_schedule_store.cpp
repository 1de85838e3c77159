#include "core/monitor/self_test_schedule_store.h"

#include <charconv>

namespace taruk {

namespace {

constexpr const char* kTable = "selftest";
constexpr const char* kStarts = "selftest.last-start";

uint32_t Days(const SideSettings& side, const char* key, uint32_t fallback) {
  const std::optional<int64_t> days = side.Integer(kTable, key);
  // 0 turns that test off.
  if (!days || *days < 0 || *days > kMostSelfTestDays) return fallback;
  return static_cast<uint32_t>(*days);
}

// Serial numbers are ASCII in practice; a byte beyond it is kept as '?', so
// such a drive's periods may start afresh after a restart, nothing worse.
std::string SerialKey(const std::wstring& serial) {
  std::string key;
  for (const wchar_t c : serial) key += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
  return key;
}

// "SHORT EXTENDED", two Unix times.
bool ParseStarts(const std::string& text, int64_t& shortStart, int64_t& extendedStart) {
  const char* end = text.data() + text.size();
  auto [middle, first] = std::from_chars(text.data(), end, shortStart);
  if (first != std::errc() || middle == end || *middle != ' ') return false;
  auto [last, second] = std::from_chars(middle + 1, end, extendedStart);
  return second == std::errc() && last == end && shortStart >= 0 && extendedStart >= 0;
}

}  // namespace

void LoadSelfTestSchedule(const SideSettings& side, SelfTestScheduleSettings& settings, SelfTestScheduleState& state) {
  settings.enabled = side.Boolean(kTable, "enabled").value_or(false);
  settings.shortEveryDays = Days(side, "short-every-days", settings.shortEveryDays);
  settings.extendedEveryDays = Days(side, "extended-every-days", settings.extendedEveryDays);
  state.drives.clear();
  for (const std::string& serial : side.Keys(kStarts)) {
    ScheduledDrive drive;
    drive.serialNumber.assign(serial.begin(), serial.end());
    const std::optional<std::string> starts = side.Text(kStarts, serial);
    if (!starts || !ParseStarts(*starts, drive.lastShort, drive.lastExtended)) continue;
    state.drives.push_back(drive);
  }
}

std::vector<SideSettingChange> SelfTestScheduleChanges(const SelfTestScheduleState& state) {
  std::vector<SideSettingChange> changes;
  for (const ScheduledDrive& drive : state.drives) {
    changes.push_back({kStarts, SerialKey(drive.serialNumber),
                       SideValue(std::to_string(drive.lastShort) + " " + std::to_string(drive.lastExtended))});
  }
  return changes;
}

}  // namespace taruk
