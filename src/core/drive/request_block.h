#pragma once
// The registers of the ATA requests of the reading pass, and the 32-byte
// request blocks that carry them through the Windows S.M.A.R.T. interface
// (SENDCMDINPARAMS, in the driver's byte layout).

#include <array>
#include <cstdint>

#include "core/drive/smart_device.h"

namespace taruk {

// SENDCMDINPARAMS without its trailing one-byte buffer.
using RequestBlock = std::array<uint8_t, 32>;

// Byte offsets inside a request block.
namespace layout {
constexpr std::size_t kBufferSize = 0;  // cBufferSize, 32-bit little-endian
constexpr std::size_t kFeatures = 4;    // IDEREGS starts here
constexpr std::size_t kSectorCount = 5;
constexpr std::size_t kSectorNumber = 6;
constexpr std::size_t kCylinderLow = 7;
constexpr std::size_t kCylinderHigh = 8;
constexpr std::size_t kDriveHead = 9;
constexpr std::size_t kCommand = 10;
constexpr std::size_t kDriveNumber = 12;  // bDriveNumber: device-map position
}  // namespace layout

// The eight IDEREGS bytes of a request (the reserved one is always 0).
struct IdeRegisters {
  uint8_t features = 0;
  uint8_t sectorCount = 0;
  uint8_t sectorNumber = 0;
  uint8_t cylinderLow = 0;
  uint8_t cylinderHigh = 0;
  uint8_t driveHead = 0;
  uint8_t command = 0;
};

// 0xA0 for an even position, 0xB0 for an odd one.
uint8_t DriveHeadFor(int position);

RequestBlock BuildRequestBlock(const IdeRegisters& registers, uint32_t bufferSize, int position);
IdeRegisters RegistersOf(const RequestBlock& request);
int PositionOf(const RequestBlock& request);

// The register table, one row per request; the Linux layer sends these.
IdeRegisters EnableSmartRegisters(int position);
IdeRegisters IdentifyRegisters(int position, bool packetDevice);
IdeRegisters SmartReadDataRegisters(int position);
IdeRegisters SmartReadThresholdsRegisters(int position);

// The same rows as request blocks, with their buffer size and position.
RequestBlock EnableSmartRequest(int position);
RequestBlock IdentifyRequest(int position, bool packetDevice);
RequestBlock SmartReadDataRequest(int position);
RequestBlock SmartReadThresholdsRequest(int position);

// SMART READ LOG of one sector of log `logAddress`, and SMART EXECUTE
// OFF-LINE IMMEDIATE with `subcommand` (a self-test started or aborted);
// both carry their argument in the sector number (LBA Low) register.
IdeRegisters SmartReadLogRegisters(int position, uint8_t logAddress);
IdeRegisters SmartExecuteOfflineRegisters(int position, uint8_t subcommand);
RequestBlock SmartReadLogRequest(int position, uint8_t logAddress);
RequestBlock SmartExecuteOfflineRequest(int position, uint8_t subcommand);

// CHECK POWER MODE goes around the S.M.A.R.T. request blocks (the Windows
// S.M.A.R.T. interface carries only S.M.A.R.T. and IDENTIFY commands), as
// bare registers: no features, no count, only the command.
IdeRegisters CheckPowerModeRegisters(int position);

}  // namespace taruk
