#include "core/view/disk_panel_text.h"

#include <cwchar>
#include <cwctype>

namespace taruk {

namespace {

template <typename... Args>
std::wstring Format(const wchar_t* format, Args... args) {
  wchar_t buffer[256];
  const int length = std::swprintf(buffer, sizeof buffer / sizeof buffer[0], format, args...);
  return length < 0 ? std::wstring() : std::wstring(buffer, static_cast<size_t>(length));
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

}  // namespace

std::wstring CapacityText(const DriveSlot& slot) {
  return Format(L"Capacity: %d.%02d Gb", slot.capacityGb, slot.capacityMb / 10);
}

std::wstring DiskButtonCaption(int driveIndex, const DriveSlot& slot) {
  // The model is at most 40 characters, so the caption always fits.
  return Format(L"HD%d: %ls\r\n", driveIndex, ShownText(slot.model).c_str()) + CapacityText(slot);
}

std::wstring ManufacturerOf(const std::wstring& model) {
  // Case-sensitive and in this order: "STM" must win over "ST".
  struct Rule {
    const wchar_t* prefix;
    const wchar_t* maker;
  };
  static constexpr Rule kRules[] = {
      {L"WD", L"Western Digital"}, {L"STM", L"MAXTOR"}, {L"ST", L"Seagate Technology"}, {L"DT", L"IBM"}};
  for (const Rule& rule : kRules) {
    if (StartsWith(model, rule.prefix)) return rule.maker;
  }
  return model;
}

std::wstring TrimmedSerial(const std::wstring& serialNumber) {
  size_t first = 0;
  while (first < serialNumber.size() && std::iswspace(serialNumber[first])) ++first;
  return serialNumber.substr(first);
}

std::wstring TemperatureText(uint32_t temperature) { return Format(L"%u \u00B0C", temperature); }

std::wstring PanelTemperatureText(const DriveSlot& slot) {
  if (slot.powerMode == PowerMode::Standby) return L"standby";
  if (slot.temperature == 0) return {};
  return TemperatureText(slot.temperature);
}

std::wstring WorkTimeText(uint32_t powerOnHours) {
  return Format(L"%u hours (%u days)", powerOnHours, powerOnHours / 24);
}

}  // namespace taruk
