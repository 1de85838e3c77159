#pragma once
// Identity of an NVMe drive from its Identify Controller data.

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/drive/drive_slot.h"

namespace taruk {

// Identify Controller (CNS 01h) always answers with this many bytes.
constexpr std::size_t kNvmeIdentifySize = 4096;

// Takes model, serial number and firmware out of Identify Controller data.
// The texts are plain ASCII in reading order, space-padded by the drive; they
// are stored as the ATA texts are: one character per byte, ending at the
// first zero byte or at the field's end, the padding kept. Data of any other
// length than a whole Identify answer is refused (false) and the slot keeps
// what it had.
bool DecodeNvmeIdentify(std::span<const uint8_t> data, DriveSlot& slot);

}  // namespace taruk
