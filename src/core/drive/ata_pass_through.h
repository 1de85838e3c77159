#pragma once
// The SCSI side of ATA pass-through: the ATA PASS-THROUGH(16) command block
// (0x85) for one ATA command, and what the SCSI status and sense data say
// about how the drive took it. No device here, only bytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "core/drive/request_block.h"

namespace taruk {

using PassThroughCdb = std::array<uint8_t, 16>;
using PassThrough12Cdb = std::array<uint8_t, 12>;

// Which command block carries the ATA command. Drives inside the machine and
// most USB bridges take the 16-byte one; some bridges know only the 12-byte
// form (whose opcode 0xA1 is also the MMC BLANK command: it goes only to a
// disk whose bridge refused the 16-byte form).
enum class PassThroughForm { Sixteen, Twelve };

// How the ATA command moves data. The reading pass needs only these two.
enum class AtaProtocol {
  NonData,    // SMART ENABLE OPERATIONS
  PioDataIn,  // IDENTIFY (PACKET) DEVICE, SMART READ DATA / THRESHOLDS: one 512-byte block
};

// The command block for `registers` (features, count, LBA low/mid/high taken
// from the IDE sector number and cylinder bytes, device, command).
// A non-data command asks for the ATA registers back (CK_COND), so that its
// outcome is the drive's own status, not the translating layer's guess.
PassThroughCdb BuildPassThrough16(const IdeRegisters& registers, AtaProtocol protocol);

// The same command in ATA PASS-THROUGH(12) (0xA1): the 28-bit registers in
// bytes 3 to 9.
PassThrough12Cdb BuildPassThrough12(const IdeRegisters& registers, AtaProtocol protocol);

// What the system's SCSI pass-through (SG_IO, IOCTL_SCSI_PASS_THROUGH) gave
// back for one command.
struct PassThroughReply {
  uint8_t scsiStatus = 0;          // 0 GOOD, 2 CHECK CONDITION
  uint16_t hostStatus = 0;         // transport trouble (time-out, reset) when non-zero
  uint16_t driverStatus = 0;       // Linux only: Windows reports trouble on the way as a failed call
  int residual = 0;                // bytes of the data-in buffer not filled
  std::span<const uint8_t> sense;  // the bytes the driver wrote into the sense buffer
};

// The ATA registers the sense data carries back: status, error and the low
// byte of the Sector Count (where CHECK POWER MODE puts its answer).
struct AtaRegisters {
  uint8_t status = 0;
  uint8_t error = 0;
  uint8_t count = 0;
};

// ATA registers from an "ATA PASS-THROUGH INFORMATION AVAILABLE" sense, in
// descriptor format (the ATA Status Return descriptor) or fixed format.
std::optional<AtaRegisters> AtaRegistersFromSense(std::span<const uint8_t> sense);

// The Sector Count a non-data command with CK_COND left behind, when the
// reply carries registers and the drive's status vouches for them (DRDY set,
// no BSY, DF or ERR). A layer that answers GOOD without registers, or hands
// back a blank set, gives nothing: a 0 from it must not pass for standby.
std::optional<uint8_t> ReturnedCount(const PassThroughReply& reply);

// True when the drive carried out the command: GOOD with the whole block
// moved, or CHECK CONDITION that only returns ATA registers whose status shows
// neither ERR nor device fault.
bool PassThroughSucceeded(const PassThroughReply& reply, std::size_t expectedBytes);

}  // namespace taruk
