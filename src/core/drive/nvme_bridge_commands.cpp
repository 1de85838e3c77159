#include "core/drive/nvme_bridge_commands.h"

#include <algorithm>

namespace taruk {

namespace {

constexpr uint8_t kAsmediaOpcode = 0xE6;
constexpr uint8_t kRealtekOpcode = 0xE4;
constexpr uint8_t kAtaPassThrough12 = 0xA1;
constexpr uint8_t kJmicronAdmin = 0x80;

constexpr uint8_t kNvmeIdentify = 0x06;
constexpr uint8_t kNvmeGetLogPage = 0x02;
constexpr uint32_t kIdentifyControllerCns = 0x01;
constexpr uint32_t kIdentifyLength = 4096;
constexpr uint32_t kEveryNamespace = 0xFFFFFFFF;

struct BridgeChip {
  uint16_t vendor;
  uint16_t product;
  NvmeBridgeScheme scheme;
};

// The chips' own USB ids, as their makers ship them on reference designs.
constexpr BridgeChip kChips[] = {
    {0x174c, 0x2362, NvmeBridgeScheme::Asmedia},  // ASMedia ASM2362
    {0x174c, 0x2364, NvmeBridgeScheme::Asmedia},  // ASMedia ASM2364
    {0x152d, 0x0583, NvmeBridgeScheme::Jmicron},  // JMicron JMS583
    {0x0bda, 0x9210, NvmeBridgeScheme::Realtek},  // Realtek RTL9210
    {0x0bda, 0x9211, NvmeBridgeScheme::Realtek},  // Realtek RTL9211
    {0x0bda, 0x9220, NvmeBridgeScheme::Realtek},  // Realtek RTL9220
};

void PutBigEndian32(ScsiCdb& cdb, std::size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) cdb[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

template <std::size_t N>
void PutLittleEndian32(std::array<uint8_t, N>& block, std::size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) block[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t LittleEndian32(std::span<const uint8_t> data, std::size_t at) {
  return static_cast<uint32_t>(data[at]) | static_cast<uint32_t>(data[at + 1]) << 8 |
         static_cast<uint32_t>(data[at + 2]) << 16 | static_cast<uint32_t>(data[at + 3]) << 24;
}

}  // namespace

NvmeBridgeScheme NvmeBridgeSchemeOf(uint16_t vendor, uint16_t product) {
  const auto* found = std::find_if(std::begin(kChips), std::end(kChips), [&](const BridgeChip& chip) {
    return chip.vendor == vendor && chip.product == product;
  });
  return found == std::end(kChips) ? NvmeBridgeScheme::None : found->scheme;
}

NvmeAdminRead IdentifyControllerRead() {
  NvmeAdminRead read;
  read.opcode = kNvmeIdentify;
  read.cdw10 = kIdentifyControllerCns;
  read.length = kIdentifyLength;
  return read;
}

NvmeAdminRead LogPageRead(uint8_t logId, uint32_t length) {
  NvmeAdminRead read;
  read.opcode = kNvmeGetLogPage;
  read.nsid = kEveryNamespace;
  // NUMDL: the count of double words less one, in bits 31:16.
  read.cdw10 = ((length / 4 - 1) & 0xFFFF) << 16 | logId;
  read.length = length;
  return read;
}

ScsiCdb AsmediaNvmeCdb(const NvmeAdminRead& read) {
  ScsiCdb cdb(16, 0);
  cdb[0] = kAsmediaOpcode;
  cdb[1] = read.opcode;
  cdb[3] = static_cast<uint8_t>(read.cdw10);
  cdb[6] = static_cast<uint8_t>(read.cdw10 >> 24);
  cdb[7] = static_cast<uint8_t>(read.cdw10 >> 16);
  PutBigEndian32(cdb, 8, read.cdw13);
  PutBigEndian32(cdb, 12, read.cdw12);
  return cdb;
}

ScsiCdb RealtekNvmeCdb(const NvmeAdminRead& read) {
  const uint32_t length = read.opcode == kNvmeGetLogPage ? std::min(read.length, kRealtekLongestLog) : read.length;
  ScsiCdb cdb(16, 0);
  cdb[0] = kRealtekOpcode;
  cdb[1] = static_cast<uint8_t>(length);
  cdb[2] = static_cast<uint8_t>(length >> 8);
  cdb[3] = read.opcode;
  cdb[4] = static_cast<uint8_t>(read.cdw10);
  return cdb;
}

ScsiCdb JmicronCdb(uint8_t step, uint32_t length) {
  ScsiCdb cdb(12, 0);
  cdb[0] = kAtaPassThrough12;
  cdb[1] = static_cast<uint8_t>(kJmicronAdmin | step);
  cdb[3] = static_cast<uint8_t>(length >> 16);
  cdb[4] = static_cast<uint8_t>(length >> 8);
  cdb[5] = static_cast<uint8_t>(length);
  return cdb;
}

std::array<uint8_t, jmicron::kBlockLength> JmicronCommandBlock(const NvmeAdminRead& read) {
  std::array<uint8_t, jmicron::kBlockLength> block{};
  PutLittleEndian32(block, 0, jmicron::kSignature);
  PutLittleEndian32(block, 8, read.opcode);
  PutLittleEndian32(block, 12, read.nsid);
  PutLittleEndian32(block, 48, read.cdw10);  // double words 12 to 17: CDW10 to CDW15
  PutLittleEndian32(block, 56, read.cdw12);
  PutLittleEndian32(block, 60, read.cdw13);
  return block;
}

std::optional<JmicronResponse> DecodeJmicronResponse(std::span<const uint8_t> data) {
  if (data.size() < 24 || LittleEndian32(data, 0) != jmicron::kSignature) return std::nullopt;
  return JmicronResponse{static_cast<uint16_t>(LittleEndian32(data, 20) >> 17), LittleEndian32(data, 8)};
}

}  // namespace taruk
