#include "core/drive/request_block.h"

#include "core/base/little_endian.h"
#include "core/drive/ata_self_test_pages.h"

namespace taruk {

uint8_t DriveHeadFor(int position) { return static_cast<uint8_t>(0xA0 | ((position & 1) << 4)); }

RequestBlock BuildRequestBlock(const IdeRegisters& registers, uint32_t bufferSize, int position) {
  RequestBlock block{};
  WriteLittleEndian32(block.data() + layout::kBufferSize, bufferSize);
  block[layout::kFeatures] = registers.features;
  block[layout::kSectorCount] = registers.sectorCount;
  block[layout::kSectorNumber] = registers.sectorNumber;
  block[layout::kCylinderLow] = registers.cylinderLow;
  block[layout::kCylinderHigh] = registers.cylinderHigh;
  block[layout::kDriveHead] = registers.driveHead;
  block[layout::kCommand] = registers.command;
  block[layout::kDriveNumber] = static_cast<uint8_t>(position);
  return block;
}

IdeRegisters RegistersOf(const RequestBlock& request) {
  return IdeRegisters{request[layout::kFeatures],    request[layout::kSectorCount],  request[layout::kSectorNumber],
                      request[layout::kCylinderLow], request[layout::kCylinderHigh], request[layout::kDriveHead],
                      request[layout::kCommand]};
}

int PositionOf(const RequestBlock& request) { return request[layout::kDriveNumber]; }

namespace {

IdeRegisters SmartRegisters(int position, uint8_t feature) {
  return {feature, 1, 1, ata::kSmartCylinderLow, ata::kSmartCylinderHigh, DriveHeadFor(position), ata::kSmart};
}

}  // namespace

IdeRegisters EnableSmartRegisters(int position) { return SmartRegisters(position, ata::kSmartEnableOperations); }

IdeRegisters IdentifyRegisters(int position, bool packetDevice) {
  const uint8_t command = packetDevice ? ata::kIdentifyPacketDevice : ata::kIdentifyDevice;
  return {0, 1, 1, 0, 0, DriveHeadFor(position), command};
}

IdeRegisters SmartReadDataRegisters(int position) { return SmartRegisters(position, ata::kSmartReadData); }

IdeRegisters SmartReadThresholdsRegisters(int position) { return SmartRegisters(position, ata::kSmartReadThresholds); }

RequestBlock EnableSmartRequest(int position) { return BuildRequestBlock(EnableSmartRegisters(position), 0, position); }

RequestBlock IdentifyRequest(int position, bool packetDevice) {
  return BuildRequestBlock(IdentifyRegisters(position, packetDevice), kPageSize, position);
}

RequestBlock SmartReadDataRequest(int position) {
  return BuildRequestBlock(SmartReadDataRegisters(position), kPageSize, position);
}

RequestBlock SmartReadThresholdsRequest(int position) {
  return BuildRequestBlock(SmartReadThresholdsRegisters(position), kPageSize, position);
}

IdeRegisters SmartReadLogRegisters(int position, uint8_t logAddress) {
  IdeRegisters registers = SmartRegisters(position, ata::kSmartReadLog);
  registers.sectorNumber = logAddress;
  return registers;
}

IdeRegisters SmartExecuteOfflineRegisters(int position, uint8_t subcommand) {
  IdeRegisters registers = SmartRegisters(position, ata::kSmartExecuteOffline);
  registers.sectorCount = 0;  // a non-data command
  registers.sectorNumber = subcommand;
  return registers;
}

RequestBlock SmartReadLogRequest(int position, uint8_t logAddress) {
  return BuildRequestBlock(SmartReadLogRegisters(position, logAddress), kPageSize, position);
}

RequestBlock SmartExecuteOfflineRequest(int position, uint8_t subcommand) {
  return BuildRequestBlock(SmartExecuteOfflineRegisters(position, subcommand), 0, position);
}

IdeRegisters CheckPowerModeRegisters(int position) {
  IdeRegisters registers;
  registers.driveHead = DriveHeadFor(position);
  registers.command = ata::kCheckPowerMode;
  return registers;
}

}  // namespace taruk
