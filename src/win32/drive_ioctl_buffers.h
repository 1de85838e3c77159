#pragma once
// The input and output buffers of the drive control codes, byte by byte in
// the layouts Microsoft documents for 64-bit Windows (GETVERSIONINPARAMS,
// DISK_GEOMETRY, SENDCMDOUTPARAMS, ATA_PASS_THROUGH_EX, STORAGE_PROPERTY_QUERY,
// STORAGE_DEVICE_DESCRIPTOR, STORAGE_PROTOCOL_SPECIFIC_DATA and
// STORAGE_PROTOCOL_DATA_DESCRIPTOR). The .cpp checks every offset here
// against the system headers' structures. Answers are read with bounds
// checks: a driver's offsets are never trusted.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/drive/request_block.h"
#include "core/drive/smart_device.h"

namespace taruk::ioctl {

// SMART_GET_VERSION answers a GETVERSIONINPARAMS; the device map is its
// fourth byte (bIDEDeviceMap).
constexpr std::size_t kVersionAnswerSize = 24;
constexpr std::size_t kDeviceMapOffset = 3;

// IOCTL_DISK_GET_DRIVE_GEOMETRY answers a DISK_GEOMETRY.
constexpr std::size_t kGeometryAnswerSize = 24;
constexpr std::size_t kCylindersOffset = 0;  // LARGE_INTEGER
constexpr std::size_t kTracksPerCylinderOffset = 12;
constexpr std::size_t kSectorsPerTrackOffset = 16;
constexpr std::size_t kBytesPerSectorOffset = 20;

// SMART_SEND_DRIVE_COMMAND and SMART_RCV_DRIVE_DATA answer a SENDCMDOUTPARAMS:
// a 16-byte header (cBufferSize, DRIVERSTATUS), then the data.
constexpr std::size_t kSmartAnswerHeaderSize = 16;
constexpr std::size_t kPageAnswerSize = kSmartAnswerHeaderSize + kPageSize;
// DRIVERSTATUS inside that header: the driver's error, then the drive's
// error register.
constexpr std::size_t kDriverErrorOffset = 4;
constexpr std::size_t kIdeErrorOffset = 5;
using PageAnswer = std::array<uint8_t, kPageAnswerSize>;

// ATA_PASS_THROUGH_EX without a data buffer, for CHECK POWER MODE.
constexpr std::size_t kAtaPassThroughSize = 48;
constexpr std::size_t kAtaLengthOffset = 0;
constexpr std::size_t kAtaFlagsOffset = 2;
constexpr std::size_t kAtaDataTransferLengthOffset = 8;
constexpr std::size_t kAtaTimeOutValueOffset = 12;
constexpr std::size_t kAtaDataBufferOffsetOffset = 24;
constexpr std::size_t kAtaPreviousTaskFileOffset = 32;
constexpr std::size_t kAtaCurrentTaskFileOffset = 40;
// Inside the task file: what goes out is features, sector count, sector
// number, cylinder low and high, device/head, command; what comes back in
// the same bytes is error, sector count, ..., status.
constexpr std::size_t kTaskFileSectorCount = 1;
constexpr std::size_t kTaskFileCommandOrStatus = 6;
constexpr uint16_t kAtaFlagDrdyRequired = 0x01;  // ATA_FLAGS_DRDY_REQUIRED
constexpr uint8_t kAtaStatusError = 0x01;        // ERR in the status register
using AtaPassThroughBuffer = std::array<uint8_t, kAtaPassThroughSize>;

// STORAGE_PROPERTY_QUERY: PropertyId, QueryType, then AdditionalParameters.
constexpr std::size_t kQueryAdditionalParametersOffset = 8;
constexpr std::size_t kPropertyQuerySize = 12;  // with its one-byte array, padded
constexpr uint32_t kStorageDeviceProperty = 0;
constexpr uint32_t kStorageAdapterProtocolSpecificProperty = 49;
constexpr uint32_t kStorageDeviceProtocolSpecificProperty = 50;

// STORAGE_DEVICE_DESCRIPTOR: the bus type is a 32-bit enum at byte 28.
constexpr std::size_t kBusTypeOffset = 28;
constexpr uint32_t kBusTypeNvme = 0x11;

// STORAGE_PROTOCOL_SPECIFIC_DATA, in the query after its first 8 bytes and in
// the answer (STORAGE_PROTOCOL_DATA_DESCRIPTOR) after Version and Size.
constexpr std::size_t kProtocolSpecificDataSize = 40;
constexpr std::size_t kProtocolTypeOffset = 0;
constexpr std::size_t kDataTypeOffset = 4;
constexpr std::size_t kRequestValueOffset = 8;
constexpr std::size_t kRequestSubValueOffset = 12;
constexpr std::size_t kDataOffsetOffset = 16;
constexpr std::size_t kDataLengthOffset = 20;
constexpr std::size_t kDescriptorSpecificDataOffset = 8;
constexpr std::size_t kProtocolDataDescriptorSize = 48;
constexpr uint32_t kProtocolTypeNvme = 3;
constexpr uint32_t kNvmeDataTypeIdentify = 1;
constexpr uint32_t kNvmeDataTypeLogPage = 2;
constexpr uint32_t kNvmeIdentifyCnsController = 1;
constexpr uint32_t kNvmeLogPageHealthInfo = 2;
constexpr uint32_t kNvmeLogPageSelfTest = 6;  // Device Self-test

// bIDEDeviceMap of a SMART_GET_VERSION answer.
uint8_t DeviceMapIn(std::span<const uint8_t, kVersionAnswerSize> answer);

DriveGeometry GeometryIn(std::span<const uint8_t, kGeometryAnswerSize> answer);

// The 512-byte page behind the SENDCMDOUTPARAMS header.
Page PageIn(const PageAnswer& answer);

// CHECK POWER MODE (or any non-data command) as an ATA_PASS_THROUGH_EX;
// the same buffer comes back with the drive's registers.
AtaPassThroughBuffer AtaPassThroughRequest(const IdeRegisters& registers, uint32_t timeoutSeconds);
// The Sector Count the drive answered with, when the whole structure came
// back and the status register shows no error.
std::optional<uint8_t> ReturnedSectorCount(std::span<const uint8_t> answer, uint32_t bytesReturned);

// IOCTL_STORAGE_QUERY_PROPERTY for StorageDeviceProperty, and the bus type
// of its answer (STORAGE_BUS_TYPE), when the answer reaches that far.
std::vector<uint8_t> DevicePropertyQuery();
std::optional<uint32_t> BusTypeIn(std::span<const uint8_t> answer, uint32_t bytesReturned);

// The NVMe data the storage driver hands out through
// IOCTL_STORAGE_QUERY_PROPERTY: Identify Controller from the adapter, the
// SMART / health log and the Device Self-test log from the device.
enum class NvmeQuery { IdentifyController, HealthLog, SelfTestLog };
std::size_t NvmeDataLength(NvmeQuery query);
// One buffer holds the query and leaves room for the data, as Microsoft's
// examples send it; the answer needs a buffer of the same size.
std::vector<uint8_t> NvmeProtocolQuery(NvmeQuery query);
// The data of an answer (a STORAGE_PROTOCOL_DATA_DESCRIPTOR), checked as
// Microsoft documents it: Version and Size are the descriptor's size, the
// data offset lies past STORAGE_PROTOCOL_SPECIFIC_DATA and the data fits
// both the length given and the bytes returned.
std::optional<std::span<const uint8_t>> NvmeDataIn(NvmeQuery query, std::span<const uint8_t> answer,
                                                   uint32_t bytesReturned);

// IOCTL_STORAGE_PROTOCOL_COMMAND: STORAGE_PROTOCOL_COMMAND (twenty 32-bit
// fields, then the command), here an NVMe admin command for the adapter,
// the way stornvme takes a Device Self-test. mingw-w64 does not declare the
// structure: the offsets are those of Microsoft's documented layout.
constexpr std::size_t kProtocolCommandOffset = 80;   // Command[]
constexpr uint32_t kProtocolCommandStructSize = 84;  // sizeof, Command[1] padded
constexpr std::size_t kProtocolReturnStatusOffset = 16;
constexpr std::size_t kProtocolErrorCodeOffset = 20;
constexpr std::size_t kProtocolFixedReturnDataOffset = 64;
constexpr uint32_t kProtocolStructureVersion = 1;
constexpr uint32_t kProtocolFlagAdapterRequest = 0x80000000u;
constexpr uint32_t kProtocolNvmeCommandLength = 64;
constexpr uint32_t kProtocolNvmeAdminCommand = 1;
constexpr uint32_t kProtocolStatusSuccess = 1;
constexpr uint32_t kProtocolCommandTimeoutSeconds = 10;
constexpr uint8_t kNvmeDeviceSelfTestOpcode = 0x14;

// Device Self-test with `code` (1h short, 2h extended, Fh abort) for every
// namespace; the same buffer takes the answer.
std::vector<uint8_t> NvmeDeviceSelfTestCommand(uint8_t code);
// ReturnStatus and ErrorCode of an answer that reaches that far.
struct ProtocolCommandStatus {
  uint32_t returnStatus = 0;
  uint32_t errorCode = 0;
};
std::optional<ProtocolCommandStatus> ProtocolCommandStatusIn(std::span<const uint8_t> answer, uint32_t bytesReturned);

}  // namespace taruk::ioctl
