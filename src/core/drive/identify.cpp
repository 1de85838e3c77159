#include "core/drive/identify.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "core/base/little_endian.h"

namespace taruk {

namespace {

uint16_t Word(std::span<const uint8_t, kPageSize> page, int index) {
  return static_cast<uint16_t>(ReadLittleEndian(page.subspan(2 * index, 2)));
}

// ATA strings hold two characters per word, the first in the high byte.
// Swapping each word puts them in reading order; the text then ends at the
// first zero byte or at the field's end, with the drive's padding kept.
std::wstring TakeString(std::span<const uint8_t, kPageSize> page, int firstWord, int wordCount) {
  const uint8_t* bytes = page.data() + 2 * firstWord;
  std::wstring text;
  for (int i = 0; i < 2 * wordCount; ++i) {
    const uint8_t byte = bytes[i ^ 1];  // the other byte of the same word
    if (byte == 0) break;
    text.push_back(static_cast<wchar_t>(byte));
  }
  return text;
}

// Truncation toward zero as the x86 conversion does it: a value outside the
// 32-bit range (only a malformed geometry gets there) gives the "integer
// indefinite" INT32_MIN instead of undefined behaviour.
int32_t Truncate(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(value);
}

}  // namespace

void DecodeIdentifyPage(std::span<const uint8_t, kPageSize> page, DriveSlot& slot) {
  slot.idCylinders = Word(page, 1);
  slot.idHeads = Word(page, 3);
  slot.idSectorsPerTrack = Word(page, 6);
  slot.model = TakeString(page, 27, 20);
  slot.firmware = TakeString(page, 23, 4);
  slot.serialNumber = TakeString(page, 10, 10);
  // The World Wide Name, most significant word first; a drive without one
  // leaves the words zero.
  slot.wwn = 0;
  for (int word = 108; word <= 111; ++word) slot.wwn = slot.wwn << 16 | Word(page, word);
}

void ComputeCapacity(DriveSlot& slot) {
  // The factors are the single-precision numbers nearest 1e-9 and 1e-6, so a
  // capacity of exactly k * 10^9 bytes comes out as k - 1 GB and 999 MB.
  constexpr float kPerGigabyte = 1e-9f;
  constexpr float kPerMegabyte = 1e-6f;
  const double bytes = static_cast<double>(slot.bytesPerSector) * slot.sectorsPerTrack * slot.tracksPerCylinder *
                       static_cast<double>(slot.cylinders);
  // Beyond two billion gigabytes no disk is real, but a malformed geometry
  // gets there: the largest capacity shown, never a wrapped negative one.
  const double gigabytes = bytes * kPerGigabyte;
  if (gigabytes >= 2147483648.0) {
    slot.capacityGb = INT32_MAX;
    slot.capacityMb = 999;
    return;
  }
  slot.capacityGb = Truncate(gigabytes);
  // From about 35 PB up the gigabyte factor's error exceeds a gigabyte, and
  // the rest would show as a thousand megabytes or more.
  slot.capacityMb = std::min(Truncate((bytes - slot.capacityGb * 1e9) * kPerMegabyte), 999);
}

}  // namespace taruk
