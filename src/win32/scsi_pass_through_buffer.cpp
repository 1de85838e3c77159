#include <windows.h>

#include "win32/scsi_pass_through_buffer.h"

#include <ntddscsi.h>
#include <winioctl.h>

#include <algorithm>
#include <cstddef>

#include "core/base/little_endian.h"

namespace taruk::ioctl {

static_assert(sizeof(SCSI_PASS_THROUGH) == kScsiPassThroughSize);
static_assert(offsetof(SCSI_PASS_THROUGH, Length) == kSptLengthOffset);
static_assert(offsetof(SCSI_PASS_THROUGH, ScsiStatus) == kSptScsiStatusOffset);
static_assert(offsetof(SCSI_PASS_THROUGH, CdbLength) == kSptCdbLengthOffset);
static_assert(offsetof(SCSI_PASS_THROUGH, SenseInfoLength) == kSptSenseInfoLengthOffset);
static_assert(offsetof(SCSI_PASS_THROUGH, DataIn) == kSptDataInOffset);
static_assert(offsetof(SCSI_PASS_THROUGH, DataTransferLength) == kSptDataTransferLengthOffset);
static_assert(offsetof(SCSI_PASS_THROUGH, TimeOutValue) == kSptTimeOutValueOffset);
static_assert(offsetof(SCSI_PASS_THROUGH, DataBufferOffset) == kSptDataBufferOffsetOffset);
static_assert(offsetof(SCSI_PASS_THROUGH, SenseInfoOffset) == kSptSenseInfoOffsetOffset);
static_assert(offsetof(SCSI_PASS_THROUGH, Cdb) == kSptCdbOffset);
static_assert(SCSI_IOCTL_DATA_OUT == kSptDataOut && SCSI_IOCTL_DATA_IN == kSptDataIn &&
              SCSI_IOCTL_DATA_UNSPECIFIED == kSptNoData);

namespace {

uint32_t Read32(std::span<const uint8_t> bytes, std::size_t offset) {
  return static_cast<uint32_t>(ReadLittleEndian(bytes.subspan(offset, 4)));
}

void Write32(std::span<uint8_t> bytes, std::size_t offset, uint64_t value) {
  WriteLittleEndian(bytes.subspan(offset, 4), value);
}

}  // namespace

std::vector<uint8_t> ScsiPassThroughRequest(std::span<const uint8_t> cdb, std::size_t dataInLength,
                                            std::span<const uint8_t> dataOut, uint32_t timeoutSeconds) {
  const std::size_t dataLength = dataOut.empty() ? dataInLength : dataOut.size();
  std::vector<uint8_t> buffer(kSptDataAt + dataLength, 0);
  const std::span<uint8_t> bytes(buffer);
  WriteLittleEndian(bytes.subspan(kSptLengthOffset, 2), kScsiPassThroughSize);
  const std::size_t cdbLength = std::min<std::size_t>(cdb.size(), 16);
  buffer[kSptCdbLengthOffset] = static_cast<uint8_t>(cdbLength);
  buffer[kSptSenseInfoLengthOffset] = kSptSenseLength;
  buffer[kSptDataInOffset] = !dataOut.empty() ? kSptDataOut : (dataInLength ? kSptDataIn : kSptNoData);
  Write32(bytes, kSptDataTransferLengthOffset, dataLength);
  Write32(bytes, kSptTimeOutValueOffset, timeoutSeconds);
  // Offsets from the start of the buffer, which METHOD_BUFFERED hands the
  // driver whole.
  WriteLittleEndian(bytes.subspan(kSptDataBufferOffsetOffset, 8), dataLength ? kSptDataAt : 0);
  Write32(bytes, kSptSenseInfoOffsetOffset, kSptSenseAt);
  std::copy_n(cdb.begin(), cdbLength, buffer.begin() + kSptCdbOffset);
  std::copy(dataOut.begin(), dataOut.end(), buffer.begin() + kSptDataAt);
  return buffer;
}

std::optional<ScsiPassThroughAnswer> ScsiPassThroughAnswerIn(std::span<const uint8_t> answer, uint32_t bytesReturned,
                                                             std::size_t dataInLength) {
  const std::size_t filled = std::min<std::size_t>(bytesReturned, answer.size());
  if (filled < kScsiPassThroughSize || answer.size() < kSptDataAt) return std::nullopt;
  ScsiPassThroughAnswer result;
  result.scsiStatus = answer[kSptScsiStatusOffset];
  const std::size_t senseLength = std::min<std::size_t>(answer[kSptSenseInfoLengthOffset], kSptSenseLength);
  result.sense = answer.subspan(kSptSenseAt, senseLength);
  const std::size_t moved = std::min<std::size_t>(Read32(answer, kSptDataTransferLengthOffset), dataInLength);
  if (kSptDataAt + moved > answer.size()) return std::nullopt;
  result.data = answer.subspan(kSptDataAt, moved);
  return result;
}

PassThroughReply PassThroughReplyOf(const ScsiPassThroughAnswer& answer, std::size_t dataInLength) {
  PassThroughReply reply;
  reply.scsiStatus = answer.scsiStatus;
  reply.residual = static_cast<int>(dataInLength - answer.data.size());
  reply.sense = answer.sense;
  return reply;
}

}  // namespace taruk::ioctl
