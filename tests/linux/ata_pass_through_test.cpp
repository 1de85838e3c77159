// ATA PASS-THROUGH(16) command blocks and the reading of what comes back.
// The expected bytes are written out from the SAT layout, not built with the
// program's own helpers.

#include "core/drive/ata_pass_through.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/drive/request_block.h"

using namespace taruk;

namespace {

PassThroughCdb Cdb(std::initializer_list<uint8_t> bytes) {
  PassThroughCdb cdb{};
  std::copy(bytes.begin(), bytes.end(), cdb.begin());
  return cdb;
}

// What libata writes for a command that went through with CK_COND set:
// descriptor sense, RECOVERED ERROR, "ATA PASS-THROUGH INFORMATION
// AVAILABLE", then the ATA Status Return descriptor.
std::vector<uint8_t> LibataRegistersSense(uint8_t status, uint8_t error, uint8_t senseKey = 0x01, uint8_t count = 1) {
  return {0x72,  senseKey, 0x00,  0x1D, 0,    0, 0,    14, 0x09, 12,   0x00,
          error, 0,        count, 0,    0x01, 0, 0x4F, 0,  0xC2, 0xA0, status};
}

// The same in fixed format (what libata gives with D_SENSE clear): error,
// status, device and count in the INFORMATION field.
std::vector<uint8_t> FixedRegistersSense(uint8_t status, uint8_t error, uint8_t count) {
  return {0x70, 0, 0x01, error, status, 0xA0, count, 10, 0, 0, 0, 0, 0x00, 0x1D};
}

PassThroughReply Reply(uint8_t scsiStatus, const std::vector<uint8_t>& sense) {
  PassThroughReply reply;
  reply.scsiStatus = scsiStatus;
  reply.sense = sense;
  return reply;
}

}  // namespace

TEST(PassThroughCommandBlock, EveryRequestOfThePassBecomesTheMatchingAtaCommand) {
  // 0x85; protocol in byte 1 (3 non-data, 4 PIO data-in); byte 2 CK_COND for
  // non-data, T_DIR | BYTE_BLOCK | T_LENGTH=2 for data-in; the 28-bit
  // registers in the low bytes of the 16-bit fields.
  EXPECT_EQ(BuildPassThrough16(RegistersOf(EnableSmartRequest(0)), AtaProtocol::NonData),
            Cdb({0x85, 0x06, 0x20, 0, 0xD8, 0, 1, 0, 1, 0, 0x4F, 0, 0xC2, 0xA0, 0xB0, 0}));
  EXPECT_EQ(BuildPassThrough16(RegistersOf(IdentifyRequest(0, false)), AtaProtocol::PioDataIn),
            Cdb({0x85, 0x08, 0x0E, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0xA0, 0xEC, 0}));
  EXPECT_EQ(BuildPassThrough16(RegistersOf(IdentifyRequest(0, true)), AtaProtocol::PioDataIn),
            Cdb({0x85, 0x08, 0x0E, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0xA0, 0xA1, 0}));
  EXPECT_EQ(BuildPassThrough16(RegistersOf(SmartReadDataRequest(0)), AtaProtocol::PioDataIn),
            Cdb({0x85, 0x08, 0x0E, 0, 0xD0, 0, 1, 0, 1, 0, 0x4F, 0, 0xC2, 0xA0, 0xB0, 0}));
  EXPECT_EQ(BuildPassThrough16(RegistersOf(SmartReadThresholdsRequest(1)), AtaProtocol::PioDataIn),
            Cdb({0x85, 0x08, 0x0E, 0, 0xD1, 0, 1, 0, 1, 0, 0x4F, 0, 0xC2, 0xB0, 0xB0, 0}));
  // CHECK POWER MODE: non-data with CK_COND, no count, command 0xE5.
  EXPECT_EQ(BuildPassThrough16(CheckPowerModeRegisters(0), AtaProtocol::NonData),
            Cdb({0x85, 0x06, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0xE5, 0}));
}

TEST(PassThroughCommandBlock, TheTwelveByteFormCarriesTheSameRegisters) {
  // 0xA1; protocol and flags as in the 16-byte form; features, count, LBA
  // low/mid/high, device and command in bytes 3 to 9.
  using Cdb12 = PassThrough12Cdb;
  EXPECT_EQ(BuildPassThrough12(RegistersOf(IdentifyRequest(0, false)), AtaProtocol::PioDataIn),
            (Cdb12{0xA1, 0x08, 0x0E, 0, 1, 1, 0, 0, 0xA0, 0xEC, 0, 0}));
  EXPECT_EQ(BuildPassThrough12(RegistersOf(SmartReadThresholdsRequest(1)), AtaProtocol::PioDataIn),
            (Cdb12{0xA1, 0x08, 0x0E, 0xD1, 1, 1, 0x4F, 0xC2, 0xB0, 0xB0, 0, 0}));
  EXPECT_EQ(BuildPassThrough12(CheckPowerModeRegisters(0), AtaProtocol::NonData),
            (Cdb12{0xA1, 0x06, 0x20, 0, 0, 0, 0, 0, 0xA0, 0xE5, 0, 0}));
}

TEST(PassThroughOutcome, CheckPowerModeAnswerComesFromEitherSenseFormat) {
  const struct {
    const char* what;
    uint8_t scsiStatus;
    std::vector<uint8_t> sense;
    std::optional<uint8_t> count;
  } cases[] = {
      {"descriptor, standby", 0x02, LibataRegistersSense(0x50, 0, 0x01, 0x00), 0x00},
      {"descriptor, idle", 0x02, LibataRegistersSense(0x50, 0, 0x01, 0x80), 0x80},
      {"descriptor, active", 0x02, LibataRegistersSense(0x40, 0, 0x00, 0xFF), 0xFF},
      {"fixed, standby", 0x02, FixedRegistersSense(0x50, 0, 0x00), 0x00},
      {"fixed, active", 0x02, FixedRegistersSense(0x50, 0, 0xFF), 0xFF},
      // A bridge that ignores CK_COND: GOOD, no registers. Not standby.
      {"good without registers", 0x00, {}, std::nullopt},
      // A blank register set: without DRDY the 0 is nobody's answer.
      {"descriptor, blank", 0x02, LibataRegistersSense(0x00, 0, 0x01, 0x00), std::nullopt},
      {"fixed, blank", 0x02, FixedRegistersSense(0x00, 0, 0x00), std::nullopt},
      {"aborted by the drive", 0x02, LibataRegistersSense(0x51, 0x04, 0x01, 0x00), std::nullopt},
      {"busy", 0x02, LibataRegistersSense(0xD0, 0, 0x01, 0x00), std::nullopt},
      {"ABORTED COMMAND", 0x02, LibataRegistersSense(0x50, 0, 0x0B, 0x00), std::nullopt},
      {"fixed, other sense", 0x02, {0x70, 0, 0x01, 0, 0x50, 0xA0, 0, 10, 0, 0, 0, 0, 0x17, 0x01}, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReturnedCount(Reply(c.scsiStatus, c.sense)), c.count) << c.what;
  }
}

TEST(PassThroughOutcome, GoodStatusSucceedsOnlyWithTheWholeBlock) {
  EXPECT_TRUE(PassThroughSucceeded(Reply(0x00, {}), 512));
  EXPECT_TRUE(PassThroughSucceeded(Reply(0x00, {}), 0));
  PassThroughReply partial = Reply(0x00, {});
  partial.residual = 256;
  EXPECT_FALSE(PassThroughSucceeded(partial, 512)) << "half a page is no page";
}

TEST(PassThroughOutcome, CheckConditionCarryingCleanRegistersIsSuccess) {
  const std::vector<uint8_t> clean = LibataRegistersSense(0x50, 0x00);
  PassThroughReply reply = Reply(0x02, clean);
  reply.driverStatus = 0x08;  // "sense data follows" is no fault
  EXPECT_TRUE(PassThroughSucceeded(reply, 0));
  const std::optional<AtaRegisters> registers = AtaRegistersFromSense(clean);
  ASSERT_TRUE(registers);
  EXPECT_EQ(registers->status, 0x50);
  EXPECT_EQ(registers->error, 0x00);

  // NO SENSE instead of RECOVERED ERROR, as some bridges put it.
  EXPECT_TRUE(PassThroughSucceeded(Reply(0x02, LibataRegistersSense(0x50, 0, 0x00)), 0));

  // Fixed-format sense: error, status in the INFORMATION field.
  const std::vector<uint8_t> fixed = {0x70, 0, 0x01, 0x00, 0x50, 0xA0, 0x01, 10, 0, 0, 0, 0, 0x00, 0x1D};
  EXPECT_TRUE(PassThroughSucceeded(Reply(0x02, fixed), 0));
  ASSERT_TRUE(AtaRegistersFromSense(fixed));
  EXPECT_EQ(AtaRegistersFromSense(fixed)->status, 0x50);
}

TEST(PassThroughOutcome, DriveErrorsAndTransportTroubleAreFailures) {
  // The drive set ERR (an ATAPI device refusing IDENTIFY DEVICE), or a
  // device fault, or is still busy.
  EXPECT_FALSE(PassThroughSucceeded(Reply(0x02, LibataRegistersSense(0x51, 0x04)), 0));
  EXPECT_FALSE(PassThroughSucceeded(Reply(0x02, LibataRegistersSense(0x70, 0x00)), 0));
  EXPECT_FALSE(PassThroughSucceeded(Reply(0x02, LibataRegistersSense(0xD0, 0x00)), 0));
  // ABORTED COMMAND with clean-looking registers is still an abort.
  EXPECT_FALSE(PassThroughSucceeded(Reply(0x02, LibataRegistersSense(0x50, 0x00, 0x0B)), 0));
  // ILLEGAL REQUEST: the command is unknown to the device (a SCSI disk).
  EXPECT_FALSE(PassThroughSucceeded(Reply(0x02, {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x20, 0x00}), 0));
  // CHECK CONDITION with no sense at all.
  EXPECT_FALSE(PassThroughSucceeded(Reply(0x02, {}), 0));
  // BUSY, RESERVATION CONFLICT.
  EXPECT_FALSE(PassThroughSucceeded(Reply(0x08, {}), 0));
  EXPECT_FALSE(PassThroughSucceeded(Reply(0x18, {}), 0));

  PassThroughReply timedOut = Reply(0x00, {});
  timedOut.hostStatus = 0x03;  // DID_TIME_OUT
  EXPECT_FALSE(PassThroughSucceeded(timedOut, 512));
  PassThroughReply driverTimeOut = Reply(0x00, {});
  driverTimeOut.driverStatus = 0x06;
  EXPECT_FALSE(PassThroughSucceeded(driverTimeOut, 0));
}

TEST(PassThroughOutcome, SenseDescriptorsAreFoundAndBoundsRespected) {
  // An information descriptor (type 0) before the ATA one.
  const std::vector<uint8_t> two = {0x72, 0x01, 0x00, 0x1D, 0,  0, 0,    26, 0x00, 10, 0x80, 0, 1, 2, 3, 4,    5,
                                    6,    7,    8,    0x09, 12, 0, 0x00, 0,  1,    0,  0,    0, 0, 0, 0, 0xA0, 0x50};
  ASSERT_TRUE(AtaRegistersFromSense(two));
  EXPECT_EQ(AtaRegistersFromSense(two)->status, 0x50);

  // The additional length claims more than was written, or a descriptor
  // runs past the end: nothing is read beyond the bytes given.
  std::vector<uint8_t> cut = LibataRegistersSense(0x50, 0);
  cut.resize(15);
  EXPECT_FALSE(AtaRegistersFromSense(cut));
  EXPECT_FALSE(PassThroughSucceeded(Reply(0x02, cut), 0));
  std::vector<uint8_t> shortLength = LibataRegistersSense(0x50, 0);
  shortLength[7] = 6;  // the descriptor does not fit in what the header admits
  EXPECT_FALSE(AtaRegistersFromSense(shortLength));
  const std::vector<uint8_t> zeroLengthLoop = {0x72, 1, 0, 0x1D, 0, 0, 0, 250, 0x00, 0x00, 0x00, 0x00};
  EXPECT_FALSE(AtaRegistersFromSense(zeroLengthLoop));
  // Fixed format without "information available" says nothing about registers.
  EXPECT_FALSE(AtaRegistersFromSense(std::vector<uint8_t>{0x70, 0, 0x01, 0, 0x50, 0, 0, 10, 0, 0, 0, 0, 0x17, 0x01}));
  // Every short prefix of a valid sense is handled without reading past it.
  const std::vector<uint8_t> full = LibataRegistersSense(0x50, 0);
  for (std::size_t n = 0; n < full.size(); ++n) {
    const std::vector<uint8_t> prefix(full.begin(), full.begin() + static_cast<long>(n));
    EXPECT_FALSE(AtaRegistersFromSense(prefix)) << n;
  }
}
