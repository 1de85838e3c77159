#pragma once
// An attribute's raw value as a number a person reads, in the unit the
// attribute counts in, for the attributes whose raw layout is known; beside
// the twelve hex digits, which stay as the drive gave them.

#include <cstdint>
#include <optional>
#include <string>

#include "core/drive/drive_slot.h"

namespace taruk {

struct AttributeReading {
  uint64_t value = 0;
  const wchar_t* unit = L"";  // "hours", "°C", "sectors", "events", "%"...; empty for a plain count
  friend bool operator==(const AttributeReading&, const AttributeReading&) = default;
};

// The reading the monitor itself takes from an ATA attribute: power-on hours
// (9) from the low 32 bits, temperatures (190, 194, 231) from byte 0, and the
// four counts of the health verdict (5, 196, 197, 198) from the low 16 bits,
// as the verdict reads them. None for any other attribute.
std::optional<AttributeReading> AtaAttributeReading(const SmartAttributeEntry& entry);

// An NVMe details row's field in its own unit: the composite temperature in
// °C (none for no reading), percentages, hours and minutes, counts. None for
// the critical warning, a set of bits.
std::optional<AttributeReading> NvmeFieldReading(const NvmeHealthLog& log, int rowId);

// "3 sectors", "41 °C", "14523 hours", "12"; empty for none.
std::wstring ReadingText(const std::optional<AttributeReading>& reading);

}  // namespace taruk
