#include "core/drive/ata_pass_through.h"

#include <algorithm>

namespace taruk {

namespace {

constexpr uint8_t kAtaPassThrough16 = 0x85;
constexpr uint8_t kAtaPassThrough12 = 0xA1;

// Byte 1: PROTOCOL in bits 4..1.
constexpr uint8_t kProtocolNonData = 3;
constexpr uint8_t kProtocolPioDataIn = 4;

// Byte 2 flags.
constexpr uint8_t kCheckCondition = 0x20;  // CK_COND: return the ATA registers
constexpr uint8_t kToHost = 0x08;          // T_DIR: data from the device
constexpr uint8_t kLengthInBlocks = 0x04;  // BYTE_BLOCK: the length counts blocks
constexpr uint8_t kLengthInCount = 0x02;   // T_LENGTH: the length is the COUNT field

constexpr uint8_t kStatusGood = 0x00;
constexpr uint8_t kStatusCheckCondition = 0x02;

constexpr uint8_t kSenseNoSense = 0x0;
constexpr uint8_t kSenseRecoveredError = 0x1;

// "ATA PASS-THROUGH INFORMATION AVAILABLE"
constexpr uint8_t kAscInformationAvailable = 0x00;
constexpr uint8_t kAscqInformationAvailable = 0x1D;

constexpr uint8_t kAtaStatusReturnDescriptor = 0x09;

constexpr uint8_t kAtaStatusBusy = 0x80;
constexpr uint8_t kAtaStatusReady = 0x40;
constexpr uint8_t kAtaStatusDeviceFault = 0x20;
constexpr uint8_t kAtaStatusError = 0x01;

constexpr uint16_t kDriverStatusMask = 0x0F;
constexpr uint16_t kDriverSense = 0x08;  // "sense data follows": not a fault

bool IsDescriptorFormat(std::span<const uint8_t> sense) {
  const uint8_t code = sense[0] & 0x7F;
  return code == 0x72 || code == 0x73;
}

bool IsFixedFormat(std::span<const uint8_t> sense) {
  const uint8_t code = sense[0] & 0x7F;
  return code == 0x70 || code == 0x71;
}

struct SenseCode {
  uint8_t key = 0;
  uint8_t asc = 0;
  uint8_t ascq = 0;
};

std::optional<SenseCode> SenseCodeOf(std::span<const uint8_t> sense) {
  if (sense.size() >= 4 && IsDescriptorFormat(sense)) {
    return SenseCode{static_cast<uint8_t>(sense[1] & 0x0F), sense[2], sense[3]};
  }
  if (sense.size() >= 14 && IsFixedFormat(sense)) {
    return SenseCode{static_cast<uint8_t>(sense[2] & 0x0F), sense[12], sense[13]};
  }
  return std::nullopt;
}

// Bytes 1 and 2, the same in both forms: the protocol, and how the data moves.
void SetProtocol(AtaProtocol protocol, uint8_t& protocolByte, uint8_t& flags) {
  if (protocol == AtaProtocol::NonData) {
    protocolByte = kProtocolNonData << 1;
    flags = kCheckCondition;
  } else {
    protocolByte = kProtocolPioDataIn << 1;
    flags = kToHost | kLengthInBlocks | kLengthInCount;
  }
}

}  // namespace

PassThroughCdb BuildPassThrough16(const IdeRegisters& registers, AtaProtocol protocol) {
  PassThroughCdb cdb{};
  cdb[0] = kAtaPassThrough16;
  SetProtocol(protocol, cdb[1], cdb[2]);
  // 48-bit fields; the high bytes (odd offsets) stay 0 for these 28-bit commands.
  cdb[4] = registers.features;
  cdb[6] = registers.sectorCount;
  cdb[8] = registers.sectorNumber;   // LBA 7:0
  cdb[10] = registers.cylinderLow;   // LBA 15:8
  cdb[12] = registers.cylinderHigh;  // LBA 23:16
  cdb[13] = registers.driveHead;
  cdb[14] = registers.command;
  return cdb;
}

PassThrough12Cdb BuildPassThrough12(const IdeRegisters& registers, AtaProtocol protocol) {
  PassThrough12Cdb cdb{};
  cdb[0] = kAtaPassThrough12;
  SetProtocol(protocol, cdb[1], cdb[2]);
  cdb[3] = registers.features;
  cdb[4] = registers.sectorCount;
  cdb[5] = registers.sectorNumber;  // LBA 7:0
  cdb[6] = registers.cylinderLow;   // LBA 15:8
  cdb[7] = registers.cylinderHigh;  // LBA 23:16
  cdb[8] = registers.driveHead;
  cdb[9] = registers.command;
  return cdb;
}

std::optional<AtaRegisters> AtaRegistersFromSense(std::span<const uint8_t> sense) {
  if (sense.size() >= 8 && IsDescriptorFormat(sense)) {
    // Descriptors follow the 8-byte header; byte 7 says how many bytes they take.
    const std::size_t end = std::min<std::size_t>(sense.size(), 8u + sense[7]);
    std::size_t at = 8;
    while (at + 2 <= end) {
      const std::size_t length = 2u + sense[at + 1];
      if (sense[at] == kAtaStatusReturnDescriptor && sense[at + 1] >= 12 && at + 14 <= end) {
        // 3 error, 4..5 count (15:8, 7:0), 6..11 LBA, 12 device, 13 status.
        return AtaRegisters{sense[at + 13], sense[at + 3], sense[at + 5]};
      }
      at += length;
    }
    return std::nullopt;
  }
  const std::optional<SenseCode> code = SenseCodeOf(sense);
  if (code && IsFixedFormat(sense) && code->asc == kAscInformationAvailable &&
      code->ascq == kAscqInformationAvailable) {
    // The INFORMATION field holds error, status, device and count.
    return AtaRegisters{sense[4], sense[3], sense[6]};
  }
  return std::nullopt;
}

bool PassThroughSucceeded(const PassThroughReply& reply, std::size_t expectedBytes) {
  if (reply.hostStatus != 0) return false;
  const uint16_t driver = reply.driverStatus & kDriverStatusMask;
  if (driver != 0 && driver != kDriverSense) return false;
  // A data command must have brought the whole block.
  if (expectedBytes != 0 && reply.residual != 0) return false;

  if (reply.scsiStatus == kStatusGood) return true;
  if (reply.scsiStatus != kStatusCheckCondition) return false;

  // CHECK CONDITION is also how a translating layer hands back the ATA
  // registers: success when it reports nothing worse than that and the
  // drive's status has no error.
  const std::optional<SenseCode> code = SenseCodeOf(reply.sense);
  if (!code || (code->key != kSenseNoSense && code->key != kSenseRecoveredError)) return false;
  const std::optional<AtaRegisters> ata = AtaRegistersFromSense(reply.sense);
  if (!ata) return false;
  return (ata->status & (kAtaStatusBusy | kAtaStatusDeviceFault | kAtaStatusError)) == 0;
}

std::optional<uint8_t> ReturnedCount(const PassThroughReply& reply) {
  if (!PassThroughSucceeded(reply, 0)) return std::nullopt;
  const std::optional<AtaRegisters> ata = AtaRegistersFromSense(reply.sense);
  if (!ata) return std::nullopt;
  if ((ata->status & (kAtaStatusBusy | kAtaStatusReady | kAtaStatusDeviceFault | kAtaStatusError)) != kAtaStatusReady) {
    return std::nullopt;
  }
  return ata->count;
}

}  // namespace taruk
