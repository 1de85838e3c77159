// NVMe drives behind USB bridges: which bridges are sent a vendor command,
// the bytes of each scheme's commands, and JMicron's answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/drive/nvme_bridge_commands.h"

using namespace taruk;

namespace {

using Bytes = std::vector<uint8_t>;

TEST(NvmeBridge, OnlyListedChipsGetAScheme) {
  struct Case {
    uint16_t vendor, product;
    NvmeBridgeScheme scheme;
  };
  const Case cases[] = {
      {0x174c, 0x2362, NvmeBridgeScheme::Asmedia}, {0x174c, 0x2364, NvmeBridgeScheme::Asmedia},
      {0x152d, 0x0583, NvmeBridgeScheme::Jmicron}, {0x0bda, 0x9210, NvmeBridgeScheme::Realtek},
      {0x0bda, 0x9220, NvmeBridgeScheme::Realtek},
      // SATA bridges of the same makers, QEMU's bridge, ids swapped.
      {0x174c, 0x55aa, NvmeBridgeScheme::None}, {0x152d, 0x0578, NvmeBridgeScheme::None},
      {0x46f4, 0x0001, NvmeBridgeScheme::None}, {0x2362, 0x174c, NvmeBridgeScheme::None},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NvmeBridgeSchemeOf(c.vendor, c.product), c.scheme) << std::hex << c.vendor << ":" << c.product;
  }
}

TEST(NvmeBridge, EachSchemeCarriesIdentifyAndTheHealthLogExactly) {
  const NvmeAdminRead identify = IdentifyControllerRead();
  const NvmeAdminRead health = LogPageRead(0x02, 512);
  const NvmeAdminRead selfTests = LogPageRead(0x06, 1024);
  EXPECT_EQ(health.cdw10, 0x007F0002u);  // 128 double words, log 02h
  EXPECT_EQ(health.nsid, 0xFFFFFFFFu);
  struct Case {
    const char* name;
    ScsiCdb cdb;
    Bytes expected;
  };
  const Case cases[] = {
      {"ASMedia identify", AsmediaNvmeCdb(identify), {0xE6, 0x06, 0, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"ASMedia health log", AsmediaNvmeCdb(health), {0xE6, 0x02, 0, 0x02, 0, 0, 0x00, 0x7F, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"Realtek identify", RealtekNvmeCdb(identify), {0xE4, 0x00, 0x10, 0x06, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"Realtek health log", RealtekNvmeCdb(health), {0xE4, 0x00, 0x02, 0x02, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      // A longer log is cut to 512 bytes: past them the bridge returns stale data.
      {"Realtek long log", RealtekNvmeCdb(selfTests), {0xE4, 0x00, 0x02, 0x02, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"JMicron command out", JmicronCdb(jmicron::kSendCommand, 512), {0xA1, 0x80, 0, 0x00, 0x02, 0x00, 0, 0, 0, 0, 0, 0}},
      {"JMicron data in", JmicronCdb(jmicron::kDataIn, 4096), {0xA1, 0x82, 0, 0x00, 0x10, 0x00, 0, 0, 0, 0, 0, 0}},
      {"JMicron response", JmicronCdb(jmicron::kResponse, 512), {0xA1, 0x8F, 0, 0x00, 0x02, 0x00, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.cdb, c.expected) << c.name;

  const auto block = JmicronCommandBlock(health);
  EXPECT_EQ(Bytes(block.begin(), block.begin() + 16), (Bytes{'N', 'V', 'M', 'E', 0, 0, 0, 0, 0x02, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Bytes(block.begin() + 48, block.begin() + 52), (Bytes{0x02, 0x00, 0x7F, 0x00}));
  EXPECT_TRUE(std::all_of(block.begin() + 52, block.end(), [](uint8_t b) { return b == 0; }));
}

TEST(NvmeBridge, JmicronResponseNeedsItsSignatureAndLength) {
  Bytes answer(512, 0);
  answer[0] = 'N', answer[1] = 'V', answer[2] = 'M', answer[3] = 'E';
  answer[8] = 0x34, answer[9] = 0x12;  // completion double word 0
  answer[22] = 0x04;                   // double word 5 = 0x00040000: status 2 (bits 31:17)
  const auto decoded = DecodeJmicronResponse(answer);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->status, 2);
  EXPECT_EQ(decoded->result, 0x1234u);
  EXPECT_FALSE(DecodeJmicronResponse(Bytes(answer.begin(), answer.begin() + 23))) << "cut short";
  answer[3] = 'F';
  EXPECT_FALSE(DecodeJmicronResponse(answer)) << "no signature";
  EXPECT_FALSE(DecodeJmicronResponse(Bytes{}));
}

}  // namespace
