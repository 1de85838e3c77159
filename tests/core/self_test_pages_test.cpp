// The self-test decoders on hand-made pages: every status code of both
// buses, the ATA ring wrapped round, bad checksums and indexes, the current
// test of both, and the log presence rule.
#include "support/self_test_pages.h"

#include <gtest/gtest.h>

#include "core/drive/ata_self_test_pages.h"
#include "core/drive/nvme_self_test_pages.h"

using namespace taruk;

namespace {

struct Expected {
  SelfTestKind kind;
  uint8_t code;
  SelfTestResult result;
  uint64_t hours;
  std::optional<uint64_t> lba;
};

void ExpectEntries(const std::vector<SelfTestEntry>& entries, const std::vector<Expected>& expected, const char* name) {
  ASSERT_EQ(entries.size(), expected.size()) << name;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(entries[i].kind, expected[i].kind) << name << " #" << i;
    EXPECT_EQ(entries[i].code, expected[i].code) << name << " #" << i;
    EXPECT_EQ(entries[i].result, expected[i].result) << name << " #" << i;
    EXPECT_EQ(entries[i].powerOnHours, expected[i].hours) << name << " #" << i;
    EXPECT_EQ(entries[i].failingLba, expected[i].lba) << name << " #" << i;
  }
}

constexpr auto kShort = SelfTestKind::Short;
constexpr auto kExtended = SelfTestKind::Extended;
constexpr auto kPassed = SelfTestResult::Passed;
constexpr auto kFailed = SelfTestResult::Failed;

}  // namespace

TEST(AtaSelfTestLog, RingReadNewestFirst) {
  struct Case {
    const char* name;
    std::vector<AtaLogDescriptor> descriptors;
    uint8_t index;
    std::vector<Expected> expected;
  };
  const Case cases[] = {
      {"index 0: no tests, whatever the descriptors hold", {{0, 1, 0x00, 4660}}, 0, {}},
      {"one test, as QEMU logs it", {{0, 1, 0x00, 4660}}, 1, {{kShort, 0, kPassed, 4660, {}}}},
      {"newest at the index, then back",
       {{0, 1, 0x00, 10}, {1, 2, 0x00, 20}, {2, 1, 0x74, 30, 123456}},
       3,
       {{kShort, 7, kFailed, 30, 123456}, {kExtended, 0, kPassed, 20, {}}, {kShort, 0, kPassed, 10, {}}}},
      {"wrapped: index 2, the older ones from slot 20 down",
       {{0, 1, 0x00, 200}, {1, 2, 0x00, 201}, {20, 2, 0x50, 199, 77}, {19, 0x82, 0x00, 198}},
       2,
       {{kExtended, 0, kPassed, 201, {}},
        {kShort, 0, kPassed, 200, {}},
        {kExtended, 5, kFailed, 199, 77},
        {kExtended, 0, kPassed, 198, {}}}},
      {"index 21: the last descriptor is the newest",
       {{20, 1, 0x00, 5}, {0, 1, 0x00, 4}},
       21,
       {{kShort, 0, kPassed, 5, {}}, {kShort, 0, kPassed, 4, {}}}},
      {"a failure without an LBA (all ones)", {{0, 2, 0x30, 9, 0xFFFFFFFF}}, 1, {{kExtended, 3, kFailed, 9, {}}}},
      {"a passed test's LBA field is not a failing LBA", {{0, 1, 0x00, 9, 1234}}, 1, {{kShort, 0, kPassed, 9, {}}}},
  };
  for (const Case& c : cases) {
    std::string error;
    const auto entries = DecodeAtaSelfTestLog(AtaSelfTestLogPage(c.descriptors, c.index), &error);
    ASSERT_TRUE(entries) << c.name << ": " << error;
    ExpectEntries(*entries, c.expected, c.name);
  }
}

TEST(AtaSelfTestLog, EveryStatusCode) {
  struct Code {
    uint8_t code;
    SelfTestResult result;
    const char* text;
  };
  const Code codes[] = {
      {0, SelfTestResult::Passed, "Completed without error"},
      {1, SelfTestResult::Aborted, "Aborted by the host"},
      {2, SelfTestResult::Aborted, "Interrupted by a host reset"},
      {3, SelfTestResult::Failed, "Fatal or unknown error"},
      {4, SelfTestResult::Failed, "Completed: an unknown element failed"},
      {5, SelfTestResult::Failed, "Completed: electrical failure"},
      {6, SelfTestResult::Failed, "Completed: servo or seek failure"},
      {7, SelfTestResult::Failed, "Completed: read failure"},
      {8, SelfTestResult::Failed, "Completed: handling damage suspected"},
      {9, SelfTestResult::Unknown, "Unknown status 9"},
      {0xE, SelfTestResult::Unknown, "Unknown status 14"},
      {0xF, SelfTestResult::Running, "In progress"},
  };
  for (const Code& c : codes) {
    const auto entries = DecodeAtaSelfTestLog(AtaSelfTestLogPage({{0, 1, uint8_t(c.code << 4 | 3), 1, 42}}, 1));
    ASSERT_TRUE(entries && entries->size() == 1) << int(c.code);
    EXPECT_EQ((*entries)[0].result, c.result) << int(c.code);
    EXPECT_EQ(AtaSelfTestStatusText(c.code), c.text);
    EXPECT_EQ((*entries)[0].failingLba.has_value(), c.result == SelfTestResult::Failed) << int(c.code);
  }
}

TEST(AtaSelfTestLog, RefusesPagesItCannotTrust) {
  struct Case {
    const char* name;
    std::vector<uint8_t> page;
    const char* error;
  };
  const Page good = AtaSelfTestLogPage({{0, 1, 0, 1}}, 1);
  const Page bad = AtaSelfTestLogPage({{0, 1, 0, 1}}, 1, true);
  const Page past = AtaSelfTestLogPage({{0, 1, 0, 1}}, 22);
  const Page far = AtaSelfTestLogPage({}, 0xFF);
  const Case cases[] = {
      {"bad checksum", {bad.begin(), bad.end()}, "the self-test log has a bad checksum"},
      {"index 22", {past.begin(), past.end()}, "the self-test log's index (22) is past its 21 entries"},
      {"index 255", {far.begin(), far.end()}, "the self-test log's index (255) is past its 21 entries"},
      {"short page", {good.begin(), good.end() - 1}, "the self-test log is not one 512-byte sector"},
      {"no page", {}, "the self-test log is not one 512-byte sector"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(DecodeAtaSelfTestLog(c.page, &error)) << c.name;
    EXPECT_EQ(error, c.error) << c.name;
  }
}

TEST(AtaErrorLog, CountAndChecks) {
  std::string error;
  EXPECT_EQ(DecodeAtaErrorCount(AtaErrorLogPage(0x0102, 3)), 258u);
  EXPECT_EQ(DecodeAtaErrorCount(AtaErrorLogPage(0, 0)), 0u);
  // The count goes on beyond the five errors the log keeps.
  EXPECT_EQ(DecodeAtaErrorCount(AtaErrorLogPage(65535, 5)), 65535u);
  EXPECT_FALSE(DecodeAtaErrorCount(AtaErrorLogPage(7, 1, true), &error));
  EXPECT_EQ(error, "the error log has a bad checksum");
  EXPECT_FALSE(DecodeAtaErrorCount(AtaErrorLogPage(7, 6), &error));
  EXPECT_EQ(error, "the error log's index (6) is past its 5 entries");
}

TEST(AtaSelfTestData, CapabilitiesPollingAndCurrentTest) {
  struct Case {
    const char* name;
    uint8_t status, capabilities, extendedPolling;
    uint16_t extendedWord;
    bool running, shortAndExtended, conveyance;
    uint8_t percentDone;
    uint32_t extendedMinutes;
  };
  const Case cases[] = {
      {"QEMU: 0x19, idle", 0x00, 0x19, 0x36, 0, false, true, false, 0, 54},
      {"running, 60 % remaining", 0xF6, 0x39, 0x36, 0, true, true, true, 40, 54},
      {"running, just begun", 0xF9, 0x39, 0x36, 0, true, true, true, 10, 54},
      {"running, nibble past 9 counts as not begun", 0xFF, 0x39, 0x36, 0, true, true, true, 0, 54},
      {"failed last test, not running", 0x74, 0x11, 0x36, 0, false, true, false, 0, 54},
      {"no self-test bit", 0x00, 0x01, 0x00, 0, false, false, false, 0, 0},
      {"extended time in the word", 0x00, 0x19, 0xFF, 600, false, true, false, 0, 600},
  };
  for (const Case& c : cases) {
    Page page{};
    SetAtaSelfTestBytes(page, c.status, c.capabilities, 1, 2, c.extendedPolling, 5);
    page[375] = static_cast<uint8_t>(c.extendedWord);
    page[376] = static_cast<uint8_t>(c.extendedWord >> 8);
    SelfTestState state;
    DecodeAtaSelfTestData(page, state);
    EXPECT_TRUE(state.known) << c.name;
    EXPECT_EQ(state.running, c.running) << c.name;
    EXPECT_EQ(state.shortAndExtended, c.shortAndExtended) << c.name;
    EXPECT_EQ(state.conveyance, c.conveyance) << c.name;
    EXPECT_EQ(state.percentDone, c.percentDone) << c.name;
    EXPECT_EQ(state.extendedMinutes, c.extendedMinutes) << c.name;
    EXPECT_EQ(state.shortMinutes, 2u) << c.name;
    EXPECT_EQ(state.executionStatus, c.status >> 4) << c.name;
  }
}

TEST(AtaSelfTestData, LogPresenceFromIdentifyElseErrorLoggingBit) {
  struct Case {
    const char* name;
    uint16_t word84, word87;
    uint8_t errorLogging;
    bool selfTestLog, errorLog;
  };
  const Case cases[] = {
      {"word 84 valid with both bits", 0x4003, 0, 0, true, true},
      {"word 87 valid with the self-test bit", 0, 0x4002, 0, true, false},
      {"bits in a word not marked valid count for nothing", 0x0003, 0x8003, 0, false, false},
      {"QEMU: 84 valid but clear, SMART data byte 370 set", 0x4000, 0x4000, 1, true, true},
      {"nothing anywhere", 0x4000, 0, 0, false, false},
  };
  for (const Case& c : cases) {
    Page identify{};
    identify[168] = static_cast<uint8_t>(c.word84);
    identify[169] = static_cast<uint8_t>(c.word84 >> 8);
    identify[174] = static_cast<uint8_t>(c.word87);
    identify[175] = static_cast<uint8_t>(c.word87 >> 8);
    Page data{};
    data[370] = c.errorLogging;
    EXPECT_EQ(AtaHasSelfTestLog(identify, data), c.selfTestLog) << c.name;
    EXPECT_EQ(AtaHasErrorLog(identify, data), c.errorLog) << c.name;
  }
  // Without an IDENTIFY page the SMART data decides alone.
  Page data{};
  data[370] = 1;
  EXPECT_TRUE(AtaHasSelfTestLog({}, data));
}

TEST(NvmeSelfTestLog, CurrentTestAndResultsNewestFirst) {
  SelfTestState state;
  ASSERT_TRUE(DecodeNvmeSelfTestLog(
      NvmeSelfTestLogPage(0x2, 0x80 | 40,
                          {{0x27, 3, 7326, true, 123456}, {0x10, 0, 7300}, {0x15, 0, 7200, false, 99}, {0x1F, 0, 1}}),
      state));
  EXPECT_TRUE(state.running);
  EXPECT_EQ(state.runningKind, SelfTestKind::Extended);
  EXPECT_EQ(state.percentDone, 40);  // bit 7 is reserved
  ASSERT_TRUE(state.logRead);
  // The fourth result is unused (Fh) and so is every one after it.
  ExpectEntries(state.log,
                {{kExtended, 7, kFailed, 7326, 123456}, {kShort, 0, kPassed, 7300, {}}, {kShort, 5, kFailed, 7200, {}}},
                "nvme");
  EXPECT_EQ(state.log[0].failedSegment, 3);
  EXPECT_EQ(NvmeSelfTestStatusText(7, 3), "Completed: segment 3 failed");

  SelfTestState idle;
  ASSERT_TRUE(DecodeNvmeSelfTestLog(NvmeSelfTestLogPage(0, 100, {}), idle));
  EXPECT_FALSE(idle.running);
  EXPECT_EQ(idle.percentDone, 0);
  EXPECT_TRUE(idle.log.empty());
  const std::vector<uint8_t> shortLog(563, 0);
  EXPECT_FALSE(DecodeNvmeSelfTestLog(shortLog, idle));
}

TEST(NvmeSelfTestLog, EveryResultCode) {
  const SelfTestResult expected[] = {kPassed,
                                     SelfTestResult::Aborted,
                                     SelfTestResult::Aborted,
                                     SelfTestResult::Aborted,
                                     SelfTestResult::Aborted,
                                     kFailed,
                                     kFailed,
                                     kFailed,
                                     SelfTestResult::Aborted,
                                     SelfTestResult::Aborted,
                                     SelfTestResult::Unknown,
                                     SelfTestResult::Unknown,
                                     SelfTestResult::Unknown,
                                     SelfTestResult::Unknown,
                                     SelfTestResult::Unknown};
  for (uint8_t code = 0; code < 15; ++code) {
    SelfTestState state;
    ASSERT_TRUE(DecodeNvmeSelfTestLog(NvmeSelfTestLogPage(0, 0, {{uint8_t(0x10 | code), 0, 5, true, 8}}), state));
    ASSERT_EQ(state.log.size(), 1u) << int(code);
    EXPECT_EQ(state.log[0].result, expected[code]) << int(code);
    EXPECT_EQ(state.log[0].failingLba.has_value(), expected[code] == kFailed) << int(code);
  }
}

TEST(NvmeSelfTestSupport, OacsBitFourAndEdstt) {
  SelfTestState state;
  DecodeNvmeSelfTestSupport(NvmeIdentifyWithSelfTest(0x0017, 45), state);
  EXPECT_TRUE(state.known);
  EXPECT_TRUE(state.shortAndExtended);
  EXPECT_EQ(state.extendedMinutes, 45u);
  EXPECT_EQ(state.shortMinutes, 2u);
  DecodeNvmeSelfTestSupport(NvmeIdentifyWithSelfTest(0x0007, 0), state);  // QEMU: no bit 4
  EXPECT_FALSE(state.shortAndExtended);
  EXPECT_FALSE(state.conveyance);
  // 1Dh with the Do Not Retry bit still means a test is running.
  EXPECT_TRUE(NvmeSelfTestAlreadyRunning(0x401D));
  EXPECT_FALSE(NvmeSelfTestAlreadyRunning(0x0001));
}
