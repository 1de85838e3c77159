#pragma once
// NVMe drives in USB enclosures: their bridge chips carry the NVMe admin
// commands that read (Identify Controller, Get Log Page) only in their
// makers' own SCSI commands, one scheme per chip family. A vendor command is
// built only for a bridge listed here by its maker's USB id: sent to any
// other bridge it may reset the drive.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "core/drive/scsi_commands.h"

namespace taruk {

enum class NvmeBridgeScheme : uint8_t {
  None,     // not a listed NVMe bridge: no vendor command goes to it
  Asmedia,  // ASM2362/ASM2364: one 16-byte command, 0xE6
  Jmicron,  // JMS583: three 12-byte commands, 0xA1, around a 512-byte NVMe command block
  Realtek,  // RTL9210/RTL9211/RTL9220: one 16-byte command, 0xE4
};

// The scheme of the bridge chip with USB ids `vendor`:`product`, from the
// chips' own ids (an enclosure maker's ids are not listed).
NvmeBridgeScheme NvmeBridgeSchemeOf(uint16_t vendor, uint16_t product);

// One admin command that reads `length` bytes.
struct NvmeAdminRead {
  uint8_t opcode = 0;
  uint32_t nsid = 0;
  uint32_t cdw10 = 0;
  uint32_t cdw12 = 0;
  uint32_t cdw13 = 0;
  uint32_t length = 0;
};

// Identify Controller (opcode 06h, CNS 01h): 4096 bytes.
NvmeAdminRead IdentifyControllerRead();
// Get Log Page (opcode 02h) of log `logId` for every namespace, `length`
// bytes (a multiple of four).
NvmeAdminRead LogPageRead(uint8_t logId, uint32_t length);

// Realtek bridges return stale data past 512 bytes of a log: longer log
// reads are cut to this.
constexpr uint32_t kRealtekLongestLog = 512;

// ASMedia: opcode, CDW10's low byte and high half, CDW13 and CDW12, big-endian.
ScsiCdb AsmediaNvmeCdb(const NvmeAdminRead& read);
// Realtek: the transfer length little-endian, the opcode, CDW10's low byte.
// A Get Log Page longer than kRealtekLongestLog asks for that much only.
ScsiCdb RealtekNvmeCdb(const NvmeAdminRead& read);

// JMicron's three steps, each an ATA PASS-THROUGH(12) with the admin bit:
// the NVMe command block out, the data in, the response in.
namespace jmicron {
constexpr uint8_t kSendCommand = 0x0;  // 512 bytes out: the command block
constexpr uint8_t kDataIn = 0x2;
constexpr uint8_t kResponse = 0xF;  // 512 bytes in
constexpr uint32_t kBlockLength = 512;
// "NVME" in the block's first little-endian double word.
constexpr uint32_t kSignature = 0x454D564E;
}  // namespace jmicron
ScsiCdb JmicronCdb(uint8_t step, uint32_t length);
std::array<uint8_t, jmicron::kBlockLength> JmicronCommandBlock(const NvmeAdminRead& read);

struct JmicronResponse {
  uint16_t status = 0;  // the NVMe status field: 0 is success
  uint32_t result = 0;  // the completion's double word 0
};
// Nothing for an answer without the signature or cut short.
std::optional<JmicronResponse> DecodeJmicronResponse(std::span<const uint8_t> data);

}  // namespace taruk
