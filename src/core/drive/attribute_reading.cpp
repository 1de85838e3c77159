#include "core/drive/attribute_reading.h"

#include <iterator>

#include "core/base/little_endian.h"
#include "core/drive/drive_health.h"

namespace taruk {

namespace {

// What a sensor cannot measure: 0 K, the all-ones "not reported", and
// anything below 1 °C, which the monitor's temperature cannot hold.
constexpr uint64_t kLowestKelvin = 274;
constexpr uint64_t kNoKelvin = 0xFFFF;

}  // namespace

std::optional<AttributeReading> AtaAttributeReading(const SmartAttributeEntry& entry) {
  switch (entry.id) {
    case 9:
      return AttributeReading{ReadLittleEndian32(entry.raw.data()), L"hours"};
    case 190:
    case 194:
    case 231:
      return AttributeReading{entry.raw[0], L"\u00B0C"};
    case 5:
    case 197:
    case 198:
      return AttributeReading{RawCount(entry), L"sectors"};
    case 196:
      return AttributeReading{RawCount(entry), L"events"};
    default:
      return std::nullopt;
  }
}

std::optional<AttributeReading> NvmeFieldReading(const NvmeHealthLog& log, int rowId) {
  if (rowId == 2) {
    const uint64_t kelvin = log.compositeTemperatureKelvin;
    if (kelvin < kLowestKelvin || kelvin == kNoKelvin) return std::nullopt;
    return AttributeReading{kelvin - 273, L"\u00B0C"};
  }
  // Rows 3 to 15, in the order of the details list; row 1 is a set of bits.
  constexpr const wchar_t* kDataUnits = L"\u00D7 512000 bytes";
  const AttributeReading rows[] = {
      {log.availableSpare, L"%"},
      {log.availableSpareThreshold, L"%"},
      {log.percentageUsed, L"%"},
      {log.dataUnitsRead.value, kDataUnits},
      {log.dataUnitsWritten.value, kDataUnits},
      {log.hostReadCommands.value, L""},
      {log.hostWriteCommands.value, L""},
      {log.controllerBusyTime.value, L"minutes"},
      {log.powerCycles.value, L""},
      {log.powerOnHours.value, L"hours"},
      {log.unsafeShutdowns.value, L""},
      {log.mediaErrors.value, L""},
      {log.errorLogEntries.value, L""},
  };
  constexpr int kFirstRow = 3;
  if (rowId < kFirstRow || rowId >= kFirstRow + static_cast<int>(std::size(rows))) return std::nullopt;
  return rows[rowId - kFirstRow];
}

std::wstring ReadingText(const std::optional<AttributeReading>& reading) {
  if (!reading) return {};
  std::wstring unit = reading->unit;
  // "1 sector", "1 hour": the units that are plain words lose their plural.
  const bool word = !unit.empty() && unit.front() >= L'a' && unit.front() <= L'z';
  if (reading->value == 1 && word && unit.back() == L's') unit.pop_back();
  return unit.empty() ? std::to_wstring(reading->value) : std::to_wstring(reading->value) + L" " + unit;
}

}  // namespace taruk
