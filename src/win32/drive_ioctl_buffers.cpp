#include <windows.h>

#include "win32/drive_ioctl_buffers.h"

#include <ntddscsi.h>
#include <winioctl.h>

#include <cstddef>

#include "core/base/little_endian.h"

namespace taruk::ioctl {

// The offsets above are Microsoft's documented layouts; the system headers
// must agree with them, or the buffers would be read wrong.
static_assert(sizeof(GETVERSIONINPARAMS) == kVersionAnswerSize);
static_assert(offsetof(GETVERSIONINPARAMS, bIDEDeviceMap) == kDeviceMapOffset);
static_assert(sizeof(DISK_GEOMETRY) == kGeometryAnswerSize);
static_assert(offsetof(DISK_GEOMETRY, Cylinders) == kCylindersOffset);
static_assert(offsetof(DISK_GEOMETRY, TracksPerCylinder) == kTracksPerCylinderOffset);
static_assert(offsetof(DISK_GEOMETRY, SectorsPerTrack) == kSectorsPerTrackOffset);
static_assert(offsetof(DISK_GEOMETRY, BytesPerSector) == kBytesPerSectorOffset);
static_assert(offsetof(SENDCMDOUTPARAMS, bBuffer) == kSmartAnswerHeaderSize);
static_assert(sizeof(SENDCMDINPARAMS) - 1 == std::tuple_size_v<RequestBlock>);
static_assert(sizeof(ATA_PASS_THROUGH_EX) == kAtaPassThroughSize);
static_assert(offsetof(ATA_PASS_THROUGH_EX, Length) == kAtaLengthOffset);
static_assert(offsetof(ATA_PASS_THROUGH_EX, AtaFlags) == kAtaFlagsOffset);
static_assert(offsetof(ATA_PASS_THROUGH_EX, DataTransferLength) == kAtaDataTransferLengthOffset);
static_assert(offsetof(ATA_PASS_THROUGH_EX, TimeOutValue) == kAtaTimeOutValueOffset);
static_assert(offsetof(ATA_PASS_THROUGH_EX, DataBufferOffset) == kAtaDataBufferOffsetOffset);
static_assert(offsetof(ATA_PASS_THROUGH_EX, PreviousTaskFile) == kAtaPreviousTaskFileOffset);
static_assert(offsetof(ATA_PASS_THROUGH_EX, CurrentTaskFile) == kAtaCurrentTaskFileOffset);
static_assert(ATA_FLAGS_DRDY_REQUIRED == kAtaFlagDrdyRequired);
static_assert(offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters) == kQueryAdditionalParametersOffset);
static_assert(sizeof(STORAGE_PROPERTY_QUERY) == kPropertyQuerySize);
static_assert(StorageDeviceProperty == kStorageDeviceProperty);
static_assert(StorageAdapterProtocolSpecificProperty == kStorageAdapterProtocolSpecificProperty);
static_assert(StorageDeviceProtocolSpecificProperty == kStorageDeviceProtocolSpecificProperty);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) == kBusTypeOffset);
static_assert(BusTypeNvme == kBusTypeNvme);
static_assert(sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA) == kProtocolSpecificDataSize);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolType) == kProtocolTypeOffset);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, DataType) == kDataTypeOffset);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestValue) == kRequestValueOffset);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestSubValue) == kRequestSubValueOffset);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataOffset) == kDataOffsetOffset);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataLength) == kDataLengthOffset);
static_assert(sizeof(STORAGE_PROTOCOL_DATA_DESCRIPTOR) == kProtocolDataDescriptorSize);
static_assert(offsetof(STORAGE_PROTOCOL_DATA_DESCRIPTOR, ProtocolSpecificData) == kDescriptorSpecificDataOffset);
static_assert(ProtocolTypeNvme == kProtocolTypeNvme);
static_assert(NVMeDataTypeIdentify == kNvmeDataTypeIdentify);
static_assert(NVMeDataTypeLogPage == kNvmeDataTypeLogPage);

namespace {

uint32_t Read32(std::span<const uint8_t> bytes, std::size_t offset) {
  return static_cast<uint32_t>(ReadLittleEndian(bytes.subspan(offset, 4)));
}

void Write32(std::span<uint8_t> bytes, std::size_t offset, uint32_t value) {
  WriteLittleEndian(bytes.subspan(offset, 4), value);
}

}  // namespace

uint8_t DeviceMapIn(std::span<const uint8_t, kVersionAnswerSize> answer) { return answer[kDeviceMapOffset]; }

DriveGeometry GeometryIn(std::span<const uint8_t, kGeometryAnswerSize> answer) {
  DriveGeometry geometry;
  geometry.cylinders = static_cast<int64_t>(ReadLittleEndian(answer.subspan(kCylindersOffset, 8)));
  geometry.tracksPerCylinder = Read32(answer, kTracksPerCylinderOffset);
  geometry.sectorsPerTrack = Read32(answer, kSectorsPerTrackOffset);
  geometry.bytesPerSector = Read32(answer, kBytesPerSectorOffset);
  return geometry;
}

Page PageIn(const PageAnswer& answer) {
  Page page;
  std::copy(answer.begin() + kSmartAnswerHeaderSize, answer.end(), page.begin());
  return page;
}

AtaPassThroughBuffer AtaPassThroughRequest(const IdeRegisters& registers, uint32_t timeoutSeconds) {
  AtaPassThroughBuffer buffer{};
  WriteLittleEndian(std::span(buffer).subspan(kAtaLengthOffset, 2), kAtaPassThroughSize);
  WriteLittleEndian(std::span(buffer).subspan(kAtaFlagsOffset, 2), kAtaFlagDrdyRequired);
  Write32(buffer, kAtaTimeOutValueOffset, timeoutSeconds);
  uint8_t* taskFile = buffer.data() + kAtaCurrentTaskFileOffset;
  taskFile[0] = registers.features;
  taskFile[1] = registers.sectorCount;
  taskFile[2] = registers.sectorNumber;
  taskFile[3] = registers.cylinderLow;
  taskFile[4] = registers.cylinderHigh;
  taskFile[5] = registers.driveHead;
  taskFile[6] = registers.command;
  return buffer;
}

std::optional<uint8_t> ReturnedSectorCount(std::span<const uint8_t> answer, uint32_t bytesReturned) {
  if (answer.size() < kAtaPassThroughSize || bytesReturned < kAtaPassThroughSize) return std::nullopt;
  const uint8_t* taskFile = answer.data() + kAtaCurrentTaskFileOffset;
  if (taskFile[kTaskFileCommandOrStatus] & kAtaStatusError) return std::nullopt;
  return taskFile[kTaskFileSectorCount];
}

std::vector<uint8_t> DevicePropertyQuery() {
  std::vector<uint8_t> query(kPropertyQuerySize, 0);
  Write32(query, 0, kStorageDeviceProperty);  // PropertyStandardQuery is 0
  return query;
}

std::optional<uint32_t> BusTypeIn(std::span<const uint8_t> answer, uint32_t bytesReturned) {
  if (bytesReturned < kBusTypeOffset + 4 || answer.size() < kBusTypeOffset + 4) return std::nullopt;
  return Read32(answer, kBusTypeOffset);
}

std::size_t NvmeDataLength(NvmeQuery query) {
  if (query == NvmeQuery::IdentifyController) return std::tuple_size_v<NvmeIdentifyData>;
  return query == NvmeQuery::SelfTestLog ? kNvmeSelfTestLogSize : kPageSize;
}

std::vector<uint8_t> NvmeProtocolQuery(NvmeQuery query) {
  const bool identify = query == NvmeQuery::IdentifyController;
  std::vector<uint8_t> buffer(kQueryAdditionalParametersOffset + kProtocolSpecificDataSize + NvmeDataLength(query), 0);
  // Identify Controller is the controller's (the adapter's); the health log
  // is asked of the device, for all its namespaces.
  Write32(buffer, 0, identify ? kStorageAdapterProtocolSpecificProperty : kStorageDeviceProtocolSpecificProperty);
  std::span<uint8_t> specific = std::span(buffer).subspan(kQueryAdditionalParametersOffset);
  Write32(specific, kProtocolTypeOffset, kProtocolTypeNvme);
  Write32(specific, kDataTypeOffset, identify ? kNvmeDataTypeIdentify : kNvmeDataTypeLogPage);
  const uint32_t logPage = query == NvmeQuery::SelfTestLog ? kNvmeLogPageSelfTest : kNvmeLogPageHealthInfo;
  Write32(specific, kRequestValueOffset, identify ? kNvmeIdentifyCnsController : logPage);
  Write32(specific, kDataOffsetOffset, kProtocolSpecificDataSize);
  Write32(specific, kDataLengthOffset, static_cast<uint32_t>(NvmeDataLength(query)));
  return buffer;
}

std::optional<std::span<const uint8_t>> NvmeDataIn(NvmeQuery query, std::span<const uint8_t> answer,
                                                   uint32_t bytesReturned) {
  const std::size_t filled = std::min<std::size_t>(bytesReturned, answer.size());
  if (filled < kProtocolDataDescriptorSize) return std::nullopt;
  if (Read32(answer, 0) != kProtocolDataDescriptorSize || Read32(answer, 4) != kProtocolDataDescriptorSize) {
    return std::nullopt;
  }
  const std::span<const uint8_t> specific = answer.subspan(kDescriptorSpecificDataOffset);
  const uint64_t offset = Read32(specific, kDataOffsetOffset);
  const uint64_t length = Read32(specific, kDataLengthOffset);
  const std::size_t wanted = NvmeDataLength(query);
  if (offset < kProtocolSpecificDataSize || length < wanted) return std::nullopt;
  // The offset counts from STORAGE_PROTOCOL_SPECIFIC_DATA, 8 bytes in.
  if (kDescriptorSpecificDataOffset + offset + wanted > filled) return std::nullopt;
  return answer.subspan(kDescriptorSpecificDataOffset + offset, wanted);
}

std::vector<uint8_t> NvmeDeviceSelfTestCommand(uint8_t code) {
  std::vector<uint8_t> buffer(kProtocolCommandOffset + kProtocolNvmeCommandLength, 0);
  Write32(buffer, 0, kProtocolStructureVersion);
  Write32(buffer, 4, kProtocolCommandStructSize);
  Write32(buffer, 8, kProtocolTypeNvme);
  Write32(buffer, 12, kProtocolFlagAdapterRequest);
  Write32(buffer, 24, kProtocolNvmeCommandLength);
  Write32(buffer, 40, kProtocolCommandTimeoutSeconds);
  Write32(buffer, 56, kProtocolNvmeAdminCommand);
  // The submission entry: opcode in CDW0, NSID FFFFFFFFh (the controller
  // and every namespace), the test code in CDW10.
  buffer[kProtocolCommandOffset] = kNvmeDeviceSelfTestOpcode;
  Write32(buffer, kProtocolCommandOffset + 4, 0xFFFFFFFFu);
  Write32(buffer, kProtocolCommandOffset + 40, code & 0x0Fu);
  return buffer;
}

std::optional<ProtocolCommandStatus> ProtocolCommandStatusIn(std::span<const uint8_t> answer, uint32_t bytesReturned) {
  if (bytesReturned < kProtocolErrorCodeOffset + 4 || answer.size() < kProtocolErrorCodeOffset + 4) {
    return std::nullopt;
  }
  return ProtocolCommandStatus{Read32(answer, kProtocolReturnStatusOffset), Read32(answer, kProtocolErrorCodeOffset)};
}

}  // namespace taruk::ioctl
