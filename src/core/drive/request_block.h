#pragma once
// The 32-byte request blocks of the five ATA requests of the reading pass.

#include <cstdint>

#include "core/drive/smart_device.h"

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

RequestBlock EnableSmartRequest(int position);
RequestBlock IdentifyRequest(int position, bool packetDevice);
RequestBlock SmartReadDataRequest(int position);
RequestBlock SmartReadThresholdsRequest(int position);

// CHECK POWER MODE goes around the S.M.A.R.T. request blocks (the Windows
// S.M.A.R.T. interface carries only S.M.A.R.T. and IDENTIFY commands), as
// bare registers: no features, no count, only the command.
IdeRegisters CheckPowerModeRegisters(int position);
