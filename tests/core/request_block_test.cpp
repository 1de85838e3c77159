#include "core/drive/request_block.h"

#include <gtest/gtest.h>

#include "support/scripted_device.h"

using namespace taruk;

namespace {

// cBufferSize (4 bytes), features, sector count, sector number, cylinder low,
// cylinder high, drive/head, command, reserved, bDriveNumber, then zeros.
RequestBlock Block(std::initializer_list<uint8_t> head) {
  RequestBlock block{};
  std::copy(head.begin(), head.end(), block.begin());
  return block;
}

}  // namespace

TEST(RequestBlocks, EvenAndOddPositionsCarryTheRegisterTable) {
  // Position 0: drive/head 0xA0.
  EXPECT_EQ(EnableSmartRequest(0), Block({0, 0, 0, 0, 0xD8, 1, 1, 0x4F, 0xC2, 0xA0, 0xB0, 0, 0}));
  EXPECT_EQ(IdentifyRequest(0, false), Block({0, 2, 0, 0, 0, 1, 1, 0, 0, 0xA0, 0xEC, 0, 0}));
  EXPECT_EQ(IdentifyRequest(0, true), Block({0, 2, 0, 0, 0, 1, 1, 0, 0, 0xA0, 0xA1, 0, 0}));
  EXPECT_EQ(SmartReadDataRequest(0), Block({0, 2, 0, 0, 0xD0, 1, 1, 0x4F, 0xC2, 0xA0, 0xB0, 0, 0}));
  EXPECT_EQ(SmartReadThresholdsRequest(0), Block({0, 2, 0, 0, 0xD1, 1, 1, 0x4F, 0xC2, 0xA0, 0xB0, 0, 0}));
  // Position 1: drive/head 0xB0, bDriveNumber 1.
  EXPECT_EQ(EnableSmartRequest(1), Block({0, 0, 0, 0, 0xD8, 1, 1, 0x4F, 0xC2, 0xB0, 0xB0, 0, 1}));
  EXPECT_EQ(IdentifyRequest(1, false), Block({0, 2, 0, 0, 0, 1, 1, 0, 0, 0xB0, 0xEC, 0, 1}));
  EXPECT_EQ(IdentifyRequest(1, true), Block({0, 2, 0, 0, 0, 1, 1, 0, 0, 0xB0, 0xA1, 0, 1}));
  EXPECT_EQ(SmartReadDataRequest(1), Block({0, 2, 0, 0, 0xD0, 1, 1, 0x4F, 0xC2, 0xB0, 0xB0, 0, 1}));
  EXPECT_EQ(SmartReadThresholdsRequest(1), Block({0, 2, 0, 0, 0xD1, 1, 1, 0x4F, 0xC2, 0xB0, 0xB0, 0, 1}));
}

TEST(RequestBlocks, PositionsTwoAndThreeFollowTheLowestBit) {
  // The drive/head byte follows bit 0 of the position only; the position
  // itself goes to bDriveNumber whole.
  for (int position : {2, 3}) {
    EXPECT_EQ(EnableSmartRequest(position), ExpectedRequest("enable", position)) << position;
    EXPECT_EQ(IdentifyRequest(position, false), ExpectedRequest("identify", position)) << position;
    EXPECT_EQ(IdentifyRequest(position, true), ExpectedRequest("identify-packet", position)) << position;
    EXPECT_EQ(SmartReadDataRequest(position), ExpectedRequest("read-data", position)) << position;
    EXPECT_EQ(SmartReadThresholdsRequest(position), ExpectedRequest("read-thresholds", position)) << position;
  }
}

TEST(RequestBlocks, SelfTestLogsAndCommandsCarryTheirArgumentInTheSectorNumber) {
  // SMART READ LOG (D5h): one sector of the log named in LBA Low.
  EXPECT_EQ(SmartReadLogRequest(0, 0x06), Block({0, 2, 0, 0, 0xD5, 1, 6, 0x4F, 0xC2, 0xA0, 0xB0, 0, 0}));
  EXPECT_EQ(SmartReadLogRequest(1, 0x01), Block({0, 2, 0, 0, 0xD5, 1, 1, 0x4F, 0xC2, 0xB0, 0xB0, 0, 1}));
  // SMART EXECUTE OFF-LINE IMMEDIATE (D4h): no data, the off-line-mode test
  // (never a captive code with bit 7) or the abort in LBA Low.
  EXPECT_EQ(SmartExecuteOfflineRequest(0, 0x01), Block({0, 0, 0, 0, 0xD4, 0, 1, 0x4F, 0xC2, 0xA0, 0xB0, 0, 0}));
  EXPECT_EQ(SmartExecuteOfflineRequest(0, 0x02), Block({0, 0, 0, 0, 0xD4, 0, 2, 0x4F, 0xC2, 0xA0, 0xB0, 0, 0}));
  EXPECT_EQ(SmartExecuteOfflineRequest(1, 0x7F), Block({0, 0, 0, 0, 0xD4, 0, 0x7F, 0x4F, 0xC2, 0xB0, 0xB0, 0, 1}));
}
