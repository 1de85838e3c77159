#pragma once
// One ATA command sent to an open block device through SG_IO and ATA
// PASS-THROUGH(16). Every call carries a time-out, so a drive that does not
// answer fails the command instead of holding the caller.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/drive/ata_pass_through.h"
#include "core/drive/request_block.h"

namespace taruk {

// Long enough for a drive in standby to spin up and answer.
constexpr unsigned kSgIoTimeoutMs = 10000;

struct AtaCommandResult {
  bool succeeded = false;
  int systemError = 0;                    // errno when the kernel refused SG_IO itself
  std::optional<AtaRegisters> registers;  // from the sense data, when given
  std::optional<uint8_t> returnedCount;   // a non-data command's Sector Count, when believable
};

// `dataIn` is empty for a non-data command, or the 512-byte block the command reads.
// `form` picks the command block (ata_pass_through.h).
AtaCommandResult RunAtaCommand(int fd, const IdeRegisters& registers, std::span<uint8_t> dataIn,
                               unsigned timeoutMs = kSgIoTimeoutMs, PassThroughForm form = PassThroughForm::Sixteen);

// A SCSI command that reads, as the core built it (scsi_commands.h): the
// bytes the device sent, or nothing when SG_IO failed or the device did not
// answer GOOD. A command whose transfer length the core does not know is
// not sent.
std::optional<std::vector<uint8_t>> RunScsiDataIn(int fd, std::span<const uint8_t> cdb,
                                                  unsigned timeoutMs = kSgIoTimeoutMs);

// A SCSI command without data (SEND DIAGNOSTIC), as the core built it.
struct ScsiNonDataResult {
  bool good = false;            // the device answered GOOD
  bool checkCondition = false;  // the device answered, refusing it
  int systemError = 0;          // errno when the kernel refused SG_IO itself
};
ScsiNonDataResult RunScsiNonData(int fd, std::span<const uint8_t> cdb, unsigned timeoutMs = kSgIoTimeoutMs);

// A vendor command of a USB bridge (nvme_bridge_commands.h), whose transfer
// length the caller gives: `dataIn` filled whole, or `dataOut` sent (at most
// one of them non-empty). False when SG_IO failed, the device did not answer
// GOOD, or less than the whole block came in.
bool RunScsiTransfer(int fd, std::span<const uint8_t> cdb, std::span<uint8_t> dataIn, std::span<const uint8_t> dataOut,
                     unsigned timeoutMs);

}  // namespace taruk
