#pragma once
// IOCTL_SCSI_PASS_THROUGH's one buffer, byte by byte in the layout Microsoft
// documents for 64-bit Windows: SCSI_PASS_THROUGH (56 bytes), room for the
// sense data behind it, then the data going in or out. The .cpp checks the
// offsets against the system header's structure. The commands themselves
// come from the core; this only carries their bytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/drive/ata_pass_through.h"

namespace taruk::ioctl {

constexpr std::size_t kScsiPassThroughSize = 56;
constexpr std::size_t kSptLengthOffset = 0;
constexpr std::size_t kSptScsiStatusOffset = 2;
constexpr std::size_t kSptCdbLengthOffset = 6;
constexpr std::size_t kSptSenseInfoLengthOffset = 7;
constexpr std::size_t kSptDataInOffset = 8;
constexpr std::size_t kSptDataTransferLengthOffset = 12;
constexpr std::size_t kSptTimeOutValueOffset = 16;
constexpr std::size_t kSptDataBufferOffsetOffset = 24;  // ULONG_PTR
constexpr std::size_t kSptSenseInfoOffsetOffset = 32;
constexpr std::size_t kSptCdbOffset = 36;
constexpr std::size_t kSptSenseLength = 32;
constexpr std::size_t kSptSenseAt = kScsiPassThroughSize;
constexpr std::size_t kSptDataAt = kSptSenseAt + kSptSenseLength;
constexpr uint8_t kSptDataOut = 0;  // SCSI_IOCTL_DATA_OUT
constexpr uint8_t kSptDataIn = 1;   // SCSI_IOCTL_DATA_IN
constexpr uint8_t kSptNoData = 2;   // SCSI_IOCTL_DATA_UNSPECIFIED

// The request for `cdb` (at most 16 bytes) moving `dataInLength` bytes in,
// or `dataOut` out, or nothing; the answer comes back in a buffer of the
// same size.
std::vector<uint8_t> ScsiPassThroughRequest(std::span<const uint8_t> cdb, std::size_t dataInLength,
                                            std::span<const uint8_t> dataOut, uint32_t timeoutSeconds);

// What came back: the device's SCSI status, the sense bytes it wrote, and
// the data it moved. Nothing when the answer does not reach past the
// structure or its lengths do not fit the buffer.
struct ScsiPassThroughAnswer {
  uint8_t scsiStatus = 0;
  std::span<const uint8_t> sense;
  std::span<const uint8_t> data;  // as long as the device moved, at most as asked
};
std::optional<ScsiPassThroughAnswer> ScsiPassThroughAnswerIn(std::span<const uint8_t> answer, uint32_t bytesReturned,
                                                             std::size_t dataInLength);

// The same answer as the core judges an ATA PASS-THROUGH reply.
PassThroughReply PassThroughReplyOf(const ScsiPassThroughAnswer& answer, std::size_t dataInLength);

}  // namespace taruk::ioctl
