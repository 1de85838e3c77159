#include "core/drive/smart_attributes.h"

#include <algorithm>

#include "core/base/little_endian.h"

namespace taruk {

namespace {

constexpr int kEntrySize = 12;
constexpr int kFirstEntry = 2;  // after the two revision bytes
constexpr uint8_t kPowerOnHoursId = 9;
constexpr uint8_t kTemperatureId = 194;
constexpr uint8_t kAlternateTemperatureId = 231;

}  // namespace

std::optional<Page> ReadSmartPages(SmartDevice& device, int position, DriveSlot& slot) {
  const std::optional<Page> attributes = device.SmartData(position);
  if (!attributes) return std::nullopt;
  // A refused threshold request still lets the values through, with every
  // threshold 0.
  const Page thresholds = device.SmartThresholds(position).value_or(Page{});
  StoreSmartAttributes(*attributes, thresholds, slot);
  return attributes;
}

void StoreSmartAttributes(std::span<const uint8_t, kPageSize> attributePage,
                          std::span<const uint8_t, kPageSize> thresholdPage, DriveSlot& slot) {
  for (int j = 0; j < kAttributeCount; ++j) {
    const uint8_t* entry = attributePage.data() + kFirstEntry + kEntrySize * j;
    const uint8_t* raw = entry + 5;
    const uint8_t id = entry[0];
    // Later entries override earlier ones; no other attribute (190 included)
    // feeds the temperature.
    if (id == kTemperatureId || id == kAlternateTemperatureId) slot.temperature = raw[0];
    if (id == kPowerOnHoursId) {
      slot.powerOnHours = ReadLittleEndian32(raw);
    }
    if (id == 0) continue;  // an empty entry leaves the stored one alone
    SmartAttributeEntry& stored = slot.attributes[j];
    stored.id = id;
    stored.current = entry[3];
    stored.worst = entry[4];
    // Matched by position, not by the threshold entry's own id.
    stored.threshold = thresholdPage[kFirstEntry + 1 + kEntrySize * j];
    std::copy(raw, raw + 6, stored.raw.begin());
  }
}

}  // namespace taruk
