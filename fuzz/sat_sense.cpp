// The sense data a SCSI layer hands back after ATA PASS-THROUGH: any bytes
// must be read without reading past them, and never count as success
// unless they say so. CHECK POWER MODE's answer (the returned Sector Count)
// is read from the same bytes: a standby that nobody vouched for would keep
// a drive from being read.

#include <cstddef>
#include <cstdint>

#include "core/drive/ata_pass_through.h"

using namespace taruk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  PassThroughReply reply;
  reply.scsiStatus = data[0];
  reply.hostStatus = data[1] & 0x01;
  reply.driverStatus = data[1] >> 4;
  reply.residual = data[2] & 0x01 ? 512 : 0;
  reply.sense = std::span<const uint8_t>(data + 3, size - 3);
  const std::optional<AtaRegisters> registers = AtaRegistersFromSense(reply.sense);
  const bool succeeded = PassThroughSucceeded(reply, 512);
  // A CHECK CONDITION counts only with registers that show no error.
  if (succeeded && reply.scsiStatus != 0 && (!registers || (registers->status & 0xA1) != 0)) __builtin_trap();
  // A count only from a successful reply whose registers show a ready drive.
  const std::optional<uint8_t> count = ReturnedCount(reply);
  if (count && (!PassThroughSucceeded(reply, 0) || !registers || (registers->status & 0xE1) != 0x40 ||
                registers->count != *count)) {
    __builtin_trap();
  }
  return 0;
}
