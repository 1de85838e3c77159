#pragma once
// One ATA command sent to an open block device through SG_IO and ATA
// PASS-THROUGH(16). Every call carries a time-out, so a drive that does not
// answer fails the command instead of holding the caller.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/drive/request_block.h"
#include "linux/ata_pass_through.h"

namespace taruk {

// Long enough for a drive in standby to spin up and answer.
constexpr unsigned kSgIoTimeoutMs = 10000;

struct AtaCommandResult {
  bool succeeded = false;
  int systemError = 0;  // errno when the kernel refused SG_IO itself
  std::optional<AtaRegisters> registers;  // from the sense data, when given
  std::optional<uint8_t> returnedCount;   // a non-data command's Sector Count, when believable
};

// `dataIn` is empty for a non-data command, or the 512-byte block the command reads.
AtaCommandResult RunAtaCommand(int fd, const IdeRegisters& registers, std::span<uint8_t> dataIn,
                               unsigned timeoutMs = kSgIoTimeoutMs);

// A SCSI command that reads, as the core built it (scsi_commands.h): the
// bytes the device sent, or nothing when SG_IO failed or the device did not
// answer GOOD. A command whose transfer length the core does not know is
// not sent.
std::optional<std::vector<uint8_t>> RunScsiDataIn(int fd, std::span<const uint8_t> cdb,
                                                  unsigned timeoutMs = kSgIoTimeoutMs);

}  // namespace taruk
