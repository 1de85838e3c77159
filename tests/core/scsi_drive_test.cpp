// SCSI disks: the command bytes, the log page decoders on pages as drives
// send them and as broken ones do, a whole pass replayed from a capture
// through the verdict, the report and the capture format, and self-tests
// from the command sent to the verdict and the metrics.
#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

#include "core/base/utf8_text.h"
#include "core/capture/capture_device.h"
#include "core/capture/drive_capture.h"
#include "core/capture/recording_device.h"
#include "core/capture/self_test_report.h"
#include "core/drive/read_drive_info.h"
#include "core/drive/scsi_commands.h"
#include "core/drive/scsi_log_pages.h"
#include "core/drive/scsi_self_test_page.h"
#include "core/drive/self_test_command.h"
#include "core/drive/self_test_verdict.h"
#include "core/drive/slot_health.h"
#include "core/metrics/metrics_page.h"
#include "core/monitor/health_watch.h"
#include "core/view/drive_report.h"
#include "core/view/self_test_dialog.h"
#include "core/view/smart_details_rows.h"
#include "support/quiet_machine.h"
#include "support/scheduled_monitor.h"

using namespace taruk;

namespace {

using Bytes = std::vector<uint8_t>;

TEST(ScsiCommands, BuildersGiveTheExactBytesAndTheirLengths) {
  struct Case {
    ScsiCdb cdb;
    Bytes expected;
    size_t length;
  };
  const Case cases[] = {
      {InquiryCdb(96), {0x12, 0, 0, 0, 0x60, 0}, 96},
      {InquiryVpdCdb(0x80, 252), {0x12, 1, 0x80, 0, 0xFC, 0}, 252},
      {ReadCapacity10Cdb(), {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8},
      {ReadCapacity16Cdb(32), {0x9E, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0, 0}, 32},
      {LogSenseCdb(0x0D, 0, 0x200), {0x4D, 0, 0x4D, 0, 0, 0, 0, 0x02, 0x00, 0}, 512},
      {LogSenseCdb(0x2F, 0, 252), {0x4D, 0, 0x6F, 0, 0, 0, 0, 0, 0xFC, 0}, 252},
      {RequestSenseCdb(32), {0x03, 0, 0, 0, 32, 0}, 32},
      {ReadDefectData12Cdb(8), {0xB7, 0x0B, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0}, 8},
      {ReadDefectData10Cdb(4), {0x37, 0, 0x0B, 0, 0, 0, 0, 0, 4, 0}, 4},
      // The current values, without block descriptors.
      {ModeSense10Cdb(0x0A, 64), {0x5A, 0x08, 0x0A, 0, 0, 0, 0, 0, 0x40, 0}, 64},
      {ModeSense6Cdb(0x0A, 64), {0x1A, 0x08, 0x0A, 0, 0x40, 0}, 64},
      // Background tests only; no data either way.
      {SendDiagnosticCdb(ScsiSelfTestCode::BackgroundShort), {0x1D, 0x20, 0, 0, 0, 0}, 0},
      {SendDiagnosticCdb(ScsiSelfTestCode::BackgroundExtended), {0x1D, 0x40, 0, 0, 0, 0}, 0},
      {SendDiagnosticCdb(ScsiSelfTestCode::AbortBackground), {0x1D, 0x80, 0, 0, 0, 0}, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.cdb, c.expected);
    EXPECT_EQ(DataInLength(c.cdb), c.length);
  }
  // Nothing is sent that writes, nor a command whose length is unknown here.
  EXPECT_EQ(DataInLength(Bytes{0x55, 0x10, 0, 0, 0, 0, 0, 0, 0x18, 0}), 0u);  // MODE SELECT(10)
  EXPECT_EQ(DataInLength(Bytes{0x12, 0, 0}), 0u);
  EXPECT_EQ(DataInLength(Bytes{}), 0u);
}

TEST(ScsiCommands, IdentityCapacityAndSenseDecoders) {
  Bytes inquiry(36, ' ');
  inquiry[0] = 0x00;
  const std::string texts = "Linux   scsi_debug      0191";
  std::copy(texts.begin(), texts.end(), inquiry.begin() + 8);
  const auto decoded = DecodeInquiry(inquiry);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->vendor, "Linux   ");
  EXPECT_EQ(decoded->product, "scsi_debug      ");
  EXPECT_EQ(decoded->revision, "0191");
  EXPECT_TRUE(IsReadableDisk(*decoded));
  inquiry[0] = 0x05;  // a CD drive
  EXPECT_FALSE(IsReadableDisk(*DecodeInquiry(inquiry)));
  inquiry[0] = 0x7F;  // no unit at this LUN
  EXPECT_FALSE(IsReadableDisk(*DecodeInquiry(inquiry)));
  EXPECT_FALSE(DecodeInquiry(Bytes(31, 0)));  // cut before the product ends

  EXPECT_EQ(DecodeUnitSerialNumber(Bytes{0, 0x80, 0, 4, '1', '2', '3', '4'}), "1234");
  EXPECT_EQ(DecodeUnitSerialNumber(Bytes{0, 0x80, 0, 9, '1', '2'}), "");  // says more than it has
  EXPECT_EQ(DecodeUnitSerialNumber(Bytes{0, 0x83, 0, 2, '1', '2'}), "");  // another page

  const auto ten = DecodeReadCapacity10(Bytes{0, 0, 0x3F, 0xFF, 0, 0, 2, 0});
  ASSERT_TRUE(ten);
  EXPECT_EQ(ten->blocks, 0x4000u);
  EXPECT_EQ(ten->blockLength, 512u);
  EXPECT_FALSE(DecodeReadCapacity10(Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 2, 0}));  // too big for (10)
  EXPECT_FALSE(DecodeReadCapacity10(Bytes{0, 0, 1, 0, 0, 0, 0, 0}));              // no block length
  const auto sixteen = DecodeReadCapacity16(Bytes{0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0x10, 0, 0, 0});
  ASSERT_TRUE(sixteen);
  EXPECT_EQ(sixteen->blocks, 0x100000001ull);
  EXPECT_EQ(sixteen->blockLength, 4096u);
  EXPECT_FALSE(DecodeReadCapacity16(Bytes(11, 0)));

  Bytes fixed(18, 0);
  fixed[0] = 0x70, fixed[2] = 0x06, fixed[12] = 0x5D, fixed[13] = 0xFF;
  EXPECT_EQ(DecodeSense(fixed), (ScsiSenseCode{6, 0x5D, 0xFF}));
  EXPECT_EQ(DecodeSense(Bytes{0x72, 0x01, 0x0B, 0x01}), (ScsiSenseCode{1, 0x0B, 0x01}));
  EXPECT_FALSE(DecodeSense(Bytes{0x70, 0, 0}));  // fixed format cut before its ASC
  EXPECT_FALSE(DecodeSense(Bytes{0x00, 0, 0, 0}));
}

// A log page: its header, then parameters of (code, value).
Bytes LogPage(uint8_t page, const std::vector<std::pair<uint16_t, Bytes>>& parameters) {
  Bytes data{page, 0, 0, 0};
  for (const auto& [code, value] : parameters) {
    data.insert(data.end(), {static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code), 0x03,
                             static_cast<uint8_t>(value.size())});
    data.insert(data.end(), value.begin(), value.end());
  }
  data[2] = static_cast<uint8_t>((data.size() - 4) >> 8);
  data[3] = static_cast<uint8_t>(data.size() - 4);
  return data;
}

TEST(ScsiLogPages, DecodersTakeWhatThePageHoldsAndNoMore) {
  struct Case {
    const char* what;
    Bytes page;
    ScsiHealth expected;
  };
  const Bytes temperature = LogPage(0x0D, {{0, {0, 38}}, {1, {0, 65}}});
  Bytes cut = temperature;
  cut.resize(cut.size() - 1);  // the reference parameter loses its last byte
  Bytes overstated = temperature;
  overstated[3] = 0xF0;  // claims far more than was sent
  Bytes understated = temperature;
  understated[3] = 6;  // ends inside the first parameter's header + value
  auto with = [](auto set) {
    ScsiHealth health;
    set(health);
    return health;
  };
  const Case cases[] = {
      {"temperature", temperature, with([](ScsiHealth& h) { h.temperature = 38, h.referenceTemperature = 65; })},
      {"short page", cut, with([](ScsiHealth& h) { h.temperature = 38; })},
      {"length beyond the data", overstated,
       with([](ScsiHealth& h) { h.temperature = 38, h.referenceTemperature = 65; })},
      {"length inside a parameter", understated, with([](ScsiHealth& h) { h.temperature = 38; })},
      {"no sensor", LogPage(0x0D, {{0, {0, 0xFF}}, {1, {0, 0xFF}}}), {}},
      {"unknown parameters skipped", LogPage(0x0D, {{0x8000, {1, 2, 3}}, {0, {0, 41}}, {0x0002, {}}}),
       with([](ScsiHealth& h) { h.temperature = 41; })},
      {"another page", LogPage(0x0E, {{0, {0, 38}}}), {}},
      {"header only", Bytes{0x0D, 0}, {}},
      {"exception with temperature", LogPage(0x2F, {{0, {0x5D, 0xFF, 38, 65}}}),
       with([](ScsiHealth& h) { h.exceptionAsc = 0x5D, h.exceptionAscq = 0xFF, h.temperature = 38; })},
      {"exception cut to one byte", LogPage(0x2F, {{0, {0x5D}}}), {}},
      {"cycles",
       LogPage(0x0E, {{1, {'2', '0', '2', '4', '0', '1'}},
                      {3, {0, 0, 0xC3, 0x50}},
                      {4, {0, 0, 0, 17}},
                      {5, {0, 0x09, 0x27, 0xC0}},
                      {6, {0, 0, 1, 0}},
                      {4, {0, 0}}}),
       with([](ScsiHealth& h) {
         h.specifiedStartStops = 50000, h.startStops = 17, h.specifiedLoadUnloads = 600000, h.loadUnloads = 256;
       })},
      {"read errors, counter of 3 bytes", LogPage(0x03, {{0, {0, 5}}, {6, {1, 0, 2}}}),
       with([](ScsiHealth& h) { h.readUncorrected = 0x10002; })},
      {"write errors, counter beyond 64 bits", LogPage(0x02, {{6, {1, 0, 0, 0, 0, 0, 0, 0, 0}}}),
       with([](ScsiHealth& h) { h.writeUncorrected = UINT64_MAX; })},
      {"verify errors, zero padded to 9 bytes", LogPage(0x05, {{6, {0, 0, 0, 0, 0, 0, 0, 0, 7}}}),
       with([](ScsiHealth& h) { h.verifyUncorrected = 7; })},
      {"non-medium", LogPage(0x06, {{0, {0, 0, 0, 9}}, {0x8009, {0xFF}}}),
       with([](ScsiHealth& h) { h.nonMediumErrors = 9; })},
      {"power-on", LogPage(0x15, {{0, {0, 0, 0x0E, 0x10, 0, 0, 0, 0, 0, 0, 0, 0}}, {1, Bytes(20, 0xFF)}}),
       with([](ScsiHealth& h) { h.powerOnMinutes = 3600; })},
      {"power-on too short", LogPage(0x15, {{0, {0, 0, 1}}}), {}},
  };
  for (const Case& c : cases) {
    ScsiHealth health;
    const uint8_t page = c.page.empty() ? 0 : c.page[0];
    DecodeTemperaturePage(c.page, health);
    DecodeInformationalExceptions(c.page, health);
    DecodeStartStopCycles(c.page, health);
    DecodeErrorCounterPage(c.page, page, health);
    DecodeNonMediumErrors(c.page, health);
    DecodeBackgroundScan(c.page, health);
    EXPECT_EQ(health, c.expected) << c.what;
  }
  ScsiHealth listed;
  ASSERT_TRUE(DecodeSupportedPages(Bytes{0, 0, 0, 9, 0x00, 0x02, 0x03, 0x0D, 0x0E, 0x2F, 0x40, 0x15}, listed));
  EXPECT_EQ(listed.supportedPages,
            (Bytes{0x00, 0x02, 0x03, 0x0D, 0x0E, 0x2F, 0x00, 0x15}));  // SPF bit dropped, cut at the data
  EXPECT_FALSE(DecodeSupportedPages(Bytes{0x0D, 0, 0, 1, 0}, listed));
}

// What scsi_debug answers, as the pass asks it.
DriveCapture ScsiDebugCapture(uint8_t asc, uint8_t ascq) {
  DriveCapture capture;
  capture.geometry = DriveGeometry{1, 255, 63, 512};
  Bytes inquiry(96, ' ');
  inquiry[0] = 0;
  const std::string texts = "Linux   scsi_debug      0191";
  std::copy(texts.begin(), texts.end(), inquiry.begin() + 8);
  capture.scsiAnswers[InquiryCdb(96)] = inquiry;
  capture.scsiAnswers[LogSenseCdb(0x00, 0, 252)] = Bytes{0, 0, 0, 4, 0x00, 0x03, 0x0D, 0x2F};
  capture.scsiAnswers[LogSenseCdb(0x0D, 0, 512)] = LogPage(0x0D, {{0, {0, 38}}, {1, {0, 65}}});
  capture.scsiAnswers[LogSenseCdb(0x2F, 0, 512)] = LogPage(0x2F, {{0, {asc, ascq, 38}}});
  capture.scsiAnswers[LogSenseCdb(0x03, 0, 512)] = LogPage(0x03, {{6, {0, 0}}});
  Bytes sense(18, 0);
  sense[0] = 0x70;
  capture.scsiAnswers[RequestSenseCdb(32)] = sense;
  return capture;
}

TEST(ScsiDrive, APassReplayedFromACaptureReachesVerdictReportAndDetails) {
  struct Case {
    uint8_t asc, ascq;
    const char* health;
    const char* reason;
  };
  const Case cases[] = {
      {0x00, 0x00, "good", nullptr},
      {0x5D, 0xFF, "bad", "failure prediction threshold exceeded (ASC 5Dh/FFh)"},
      {0x0B, 0x01, "caution", "the drive reports a warning (ASC 0Bh/01h)"},
  };
  for (const Case& c : cases) {
    CaptureDevice device(ScsiDebugCapture(c.asc, c.ascq));
    // Recorded on the way, the pass replays to the same slot.
    RecordingDevice recording(device);
    DriveSlots slots(1);
    ReadDrive(recording, SleepingDrive::Identify, slots[0]);
    const DriveSlot& slot = slots[0];
    ASSERT_EQ(slot.bus, DriveBus::Scsi);
    EXPECT_TRUE(slot.IsPresent());
    EXPECT_EQ(slot.model, L"Linux scsi_debug");
    EXPECT_EQ(slot.temperature, 38u);
    const DriveHealth health = SlotHealth(slot);
    EXPECT_EQ(ToUtf8(HealthVerdictText(health.verdict)), c.health);
    if (c.reason) {
      ASSERT_FALSE(health.reasons.empty());
      EXPECT_EQ(ToUtf8(health.reasons[0].text), c.reason);
    }
    const std::string json = DriveReportJson(slots);
    EXPECT_NE(json.find("\"interface\":\"scsi\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"health\":\"" + std::string(c.health) + "\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"temperature\":38,\"referenceTemperature\":65,\"exceptionAsc\":" + std::to_string(c.asc)),
              std::string::npos)
        << json;
    const auto rows = SmartDetailsRows(slot);
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows[0][0], L"0D");
    EXPECT_EQ(rows[0][2], L"38");
    EXPECT_EQ(rows[0][3], L"65");
    EXPECT_EQ(rows[1][0], L"2F");
    wchar_t pair[8];
    std::swprintf(pair, 8, L"%02X/%02X", c.asc, c.ascq);
    EXPECT_EQ(rows[1][2], pair);

    DriveCapture reread;
    std::string error;
    ASSERT_TRUE(ParseCapture(FormatCapture(recording.capture()), "scsi.capture", reread, error)) << error;
    EXPECT_EQ(reread.scsiAnswers, recording.capture().scsiAnswers);
    CaptureDevice replay(reread);
    DriveSlot again;
    ReadDrive(replay, SleepingDrive::Identify, again);
    EXPECT_EQ(again, slot);
  }
}

TEST(ScsiDrive, ADiskWithoutLogPagesIsListedWithUnknownHealth) {
  DriveCapture capture = ScsiDebugCapture(0, 0);
  capture.geometry.reset();  // the size comes from READ CAPACITY(10) then
  capture.scsiAnswers.erase(LogSenseCdb(0x00, 0, 252));
  capture.scsiAnswers[ReadCapacity10Cdb()] = Bytes{0, 0x3F, 0xFF, 0xFF, 0, 0, 2, 0};
  CaptureDevice device(capture);
  DriveSlot slot;
  ReadDrive(device, SleepingDrive::Identify, slot);
  EXPECT_EQ(slot.bus, DriveBus::Scsi);
  EXPECT_EQ(slot.capacityGb, 2);
  EXPECT_EQ(slot.temperature, 0u);
  // REQUEST SENSE's NO SENSE is no verdict, nor is the sense a bridge keeps
  // from the refused LOG SENSE (INVALID COMMAND OPERATION CODE).
  EXPECT_EQ(SlotHealth(slot).verdict, HealthVerdict::Unknown);
  DriveCapture stale = capture;
  stale.scsiAnswers[RequestSenseCdb(32)][2] = 0x05;
  stale.scsiAnswers[RequestSenseCdb(32)][12] = 0x20;
  CaptureDevice staleDevice(stale);
  DriveSlot staleSlot;
  ReadDrive(staleDevice, SleepingDrive::Identify, staleSlot);
  EXPECT_EQ(SlotHealth(staleSlot).verdict, HealthVerdict::Unknown);
  EXPECT_EQ(slot.usbBridge, std::nullopt);
  EXPECT_EQ(DriveReportText({slot}, false).find("USB bridge"), std::string::npos);

  // The same disk behind a USB bridge that passed no ATA command: listed with
  // its model and size, the bridge named and blamed.
  capture.usbBridge = UsbBridge{0x46f4, 0x0003, 0x0000, "uas"};
  CaptureDevice bridged(capture);
  DriveSlots slots(1);
  ReadDrive(bridged, SleepingDrive::Identify, slots[0]);
  EXPECT_EQ(slots[0].capacityGb, 2);
  const std::string text = DriveReportText(slots, false);
  EXPECT_NE(text.find("HD0: Linux scsi_debug\n"), std::string::npos) << text;
  EXPECT_NE(text.find("USB bridge: 46f4:0003, release 0000, driver uas\n"
                      "S.M.A.R.T.: this USB bridge does not pass S.M.A.R.T. commands (46f4:0003)\n"),
            std::string::npos)
      << text;
  const std::string json = DriveReportJson(slots);
  EXPECT_NE(json.find("\"usbBridge\":{\"id\":\"46f4:0003\",\"release\":\"0000\",\"driver\":\"uas\","
                      "\"passesSmart\":false}"),
            std::string::npos)
      << json;
}

TEST(CaptureFormat, ScsiAnswersAreRefusedWhenMalformed) {
  const char* cases[] = {
      "scsi-answer 12000060 0\n",                                        // 4 bytes: no command is that short
      "scsi-answer 1200006000 0\n",                                      // 5 bytes
      "scsi-answer 12000060000 0\n",                                     // odd digits
      "scsi-answer 12000x600000 0\n",                                    // not hex
      "scsi-answer 120000600000 1025\n",                                 // longer than any answer
      "scsi-answer 120000600000 2\n  00\n",                              // fewer bytes than said
      "scsi-answer 120000600000 1\n  00\nscsi-answer 120000600000 0\n",  // twice
  };
  for (const char* text : cases) {
    DriveCapture capture;
    std::string error;
    EXPECT_FALSE(ParseCapture(text, "a.capture", capture, error)) << text;
    EXPECT_NE(error.find("a.capture:"), std::string::npos) << error;
  }
}

}  // namespace

namespace {

// One result parameter of page 10h as a drive writes it.
Bytes ResultParameter(uint8_t codeAndResult, uint8_t segment, uint16_t hour, uint64_t lba, uint32_t sense = 0) {
  Bytes value(16, 0);
  value[0] = codeAndResult;
  value[1] = segment;
  value[2] = static_cast<uint8_t>(hour >> 8);
  value[3] = static_cast<uint8_t>(hour);
  for (int i = 0; i < 8; ++i) value[4 + i] = static_cast<uint8_t>(lba >> (56 - 8 * i));
  value[12] = static_cast<uint8_t>(sense >> 16);
  value[13] = static_cast<uint8_t>(sense >> 8);
  value[14] = static_cast<uint8_t>(sense);
  return value;
}

SelfTestEntry Result(SelfTestKind kind, uint8_t code, SelfTestResult result, uint64_t hour,
                     std::optional<uint64_t> lba = {}, std::optional<uint8_t> segment = {},
                     std::optional<uint32_t> sense = {}) {
  return {kind, code, result, hour, lba, segment, sense};
}

constexpr uint64_t kNoLba = UINT64_MAX;

}  // namespace

TEST(ScsiSelfTestPage, ResultsNewestFirstWithWhatTheyFound) {
  const Bytes page =
      LogPage(0x10, {
                        {1, ResultParameter(0x4F, 0, 200, kNoLba)},            // background extended, in progress
                        {2, ResultParameter(0x27, 3, 150, 4660, 0x031100)},    // short, segment 3 failed
                        {3, ResultParameter(0x44, 0, 120, kNoLba, 0x040000)},  // extended, failed, no address
                        {4, ResultParameter(0x21, 0, 110, 0)},                 // short, aborted by the host
                        {5, Bytes(16, 0)},                                     // never written
                        {6, ResultParameter(0xA0, 0, 10, kNoLba)},             // foreground short, passed
                        {7, ResultParameter(0x09, 0, 9, kNoLba)},              // default test, reserved result
                        {0x15, ResultParameter(0x43, 0, 1, 1)},                // beyond the 20 results
                        {8, Bytes(15, 0x43)},                                  // too short to be one
                    });
  SelfTestState state;
  ASSERT_TRUE(DecodeScsiSelfTestPage(page, state));
  const std::vector<SelfTestEntry> expected = {
      Result(SelfTestKind::Extended, 0xF, SelfTestResult::Running, 200),
      Result(SelfTestKind::Short, 7, SelfTestResult::Failed, 150, 4660, 3, 0x031100),
      Result(SelfTestKind::Extended, 4, SelfTestResult::Failed, 120, {}, {}, 0x040000),
      Result(SelfTestKind::Short, 1, SelfTestResult::Aborted, 110),
      Result(SelfTestKind::Short, 0, SelfTestResult::Passed, 10),
      Result(SelfTestKind::Vendor, 9, SelfTestResult::Unknown, 9),
  };
  EXPECT_EQ(state.log, expected);
  EXPECT_TRUE(state.logRead);
  EXPECT_TRUE(state.running);
  EXPECT_EQ(state.runningKind, SelfTestKind::Extended);
  const char* texts[][2] = {{"In progress", "-"},
                            {"Completed: segment 3 failed", "4660, sense 3/11/00"},
                            {"Completed: failed segment unknown", "-, sense 4/00/00"},
                            {"Aborted by the host", "-"},
                            {"Completed without error", "-"},
                            {"Unknown result 9", "-"}};
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(ScsiSelfTestStatusText(state.log[i]), texts[i][0]) << i;
    EXPECT_EQ(SelfTestFailureColumn(state.log[i]), texts[i][1]) << i;
  }
  // The newest failure stands: the aborted test and the older passes say nothing.
  EXPECT_EQ(SelfTestFailureText(*StandingSelfTestFailure(state.log)), L"Short self-test failed at LBA 4660 (hour 150)");

  // Cut inside the third result: the two whole ones; another page, or no
  // header: nothing, and the last log stays.
  Bytes cut = page;
  cut.resize(4 + 2 * 20 + 10);
  ASSERT_TRUE(DecodeScsiSelfTestPage(cut, state));
  EXPECT_EQ(state.log, std::vector<SelfTestEntry>(expected.begin(), expected.begin() + 2));
  EXPECT_FALSE(DecodeScsiSelfTestPage(LogPage(0x0D, {{1, ResultParameter(0x44, 0, 1, 1)}}), state));
  EXPECT_FALSE(DecodeScsiSelfTestPage(Bytes{0x10, 0, 0}, state));
  EXPECT_EQ(state.log.size(), 2u);
  // A drive that repeats parameter 1 past the page's 20 results.
  std::vector<std::pair<uint16_t, Bytes>> many(25, {1, ResultParameter(0x20, 0, 5, kNoLba)});
  ASSERT_TRUE(DecodeScsiSelfTestPage(LogPage(0x10, many), state));
  EXPECT_EQ(state.log.size(), 20u);
  EXPECT_FALSE(state.running);
}

TEST(ScsiCommands, SenseProgressAndGrownDefectHeaders) {
  auto fixed = [](uint8_t key, uint8_t asc, uint8_t ascq, uint8_t sksv, uint16_t progress) {
    Bytes sense(18, 0);
    sense[0] = 0x70, sense[2] = key, sense[7] = 10, sense[12] = asc, sense[13] = ascq;
    sense[15] = sksv, sense[16] = static_cast<uint8_t>(progress >> 8), sense[17] = static_cast<uint8_t>(progress);
    return sense;
  };
  const Bytes descriptor = {0x72, 0, 0, 0, 0, 0, 0, 8, 0x02, 6, 0, 0, 0x80, 0xFF, 0xFF, 0};
  Bytes descriptorCut = descriptor;
  descriptorCut[7] = 7;  // the descriptor runs past the stated sense
  Bytes fixedCut = fixed(0, 0, 0, 0x80, 0x8000);
  fixedCut.resize(17);
  const struct {
    const char* what;
    Bytes sense;
    std::optional<uint8_t> percent;
  } progress[] = {
      {"NO SENSE with progress", fixed(0, 0, 0, 0x80, 0x8000), 50},
      {"NOT READY, self-test in progress", fixed(2, 0x04, 0x09, 0x80, 0x4000), 25},
      {"NOT READY for another reason", fixed(2, 0x04, 0x01, 0x80, 0x4000), {}},
      {"SKSV clear", fixed(0, 0, 0, 0x00, 0x8000), {}},
      {"cut before the progress ends", fixedCut, {}},
      {"descriptor format", descriptor, 99},
      {"descriptor past the end", descriptorCut, {}},
  };
  for (const auto& c : progress) EXPECT_EQ(DecodeSenseProgress(c.sense), c.percent) << c.what;

  const struct {
    const char* what;
    Bytes header;
    bool twelve;
    std::optional<uint32_t> count;
  } defects[] = {
      {"(12), long block entries", {0, 0x0B, 0, 0, 0, 0, 0, 0x18}, true, 3},
      {"(12), short block entries", {0, 0x08, 0, 0, 0, 0, 0, 0x18}, true, 6},
      {"(12), a list beyond 16 bits", {0, 0x0D, 0, 0, 0, 1, 0, 0}, true, 0x2000},
      {"(10), physical sector entries", {0, 0x0D, 0, 0x10}, false, 2},
      {"(10), empty list", {0, 0x0B, 0, 0}, false, 0},
      {"both lists: not the grown one alone", {0, 0x1B, 0, 0x10}, false, {}},
      {"the factory list", {0, 0x13, 0, 0x10}, false, {}},
      {"vendor format", {0, 0x0E, 0, 0x10}, false, {}},
      {"(12) header cut short", {0, 0x0B, 0, 0, 0, 0, 0x18}, true, {}},
  };
  for (const auto& c : defects) EXPECT_EQ(DecodeGrownDefectCount(c.header, c.twelve), c.count) << c.what;
}

namespace {

// A SCSI disk from a capture that also takes SEND DIAGNOSTIC, as a live one
// does, and keeps what it was sent.
class DiagnosingDrive : public CaptureDevice {
 public:
  using CaptureDevice::CaptureDevice;
  DriveCommandResult ScsiNonData(std::span<const uint8_t> cdb) override {
    sent.emplace_back(cdb.begin(), cdb.end());
    return answer;
  }
  DriveCommandResult answer{CommandAnswer::Accepted, 0, {}};
  std::vector<Bytes> sent;
};

// The control mode page as MODE SENSE(10) (`ten`) or (6) returns it, with
// `descriptors` bytes of block descriptors before it.
Bytes ControlModePage(bool ten, uint16_t seconds, uint8_t descriptors = 0) {
  Bytes page = {
      0x0A, 0x0A, 0x02, 0, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(seconds >> 8), static_cast<uint8_t>(seconds)};
  Bytes data(ten ? 8 : 4, 0);
  data.insert(data.end(), descriptors, 0x11);
  data.insert(data.end(), page.begin(), page.end());
  if (ten) {
    data[1] = static_cast<uint8_t>(data.size() - 2), data[7] = descriptors;
  } else {
    data[0] = static_cast<uint8_t>(data.size() - 1), data[3] = descriptors;
  }
  return data;
}

// scsi_debug with the self-test page and a grown defect list, as a SAS disk
// has them: its last extended test failed, and (12) is refused. Its control
// page gives the extended test 587 s.
DriveCapture SelfTestingCapture(Bytes newest, uint8_t defects) {
  DriveCapture capture = ScsiDebugCapture(0, 0);
  capture.scsiAnswers[ModeSense10Cdb(0x0A, 64)] = ControlModePage(true, 587);
  capture.scsiAnswers[LogSenseCdb(0x00, 0, 252)] = Bytes{0, 0, 0, 5, 0x00, 0x03, 0x0D, 0x10, 0x2F};
  capture.scsiAnswers[LogSenseCdb(0x10, 0, 512)] =
      LogPage(0x10, {{1, newest}, {2, ResultParameter(0x44, 0, 120, 4660, 0x031100)}});
  capture.scsiAnswers[ReadDefectData10Cdb(4)] = Bytes{0, 0x0B, 0, static_cast<uint8_t>(8 * defects)};
  return capture;
}

}  // namespace

TEST(ScsiDrive, SelfTestsAndGrownDefectsReachVerdictAlarmReplayAndMetrics) {
  CaptureDevice device(SelfTestingCapture(ResultParameter(0x21, 0, 130, kNoLba), 3));
  RecordingDevice recording(device);
  DriveSlots slots(1);
  ReadDrive(recording, SleepingDrive::Identify, slots[0]);
  DriveSlot& slot = slots[0];
  slot.id = "scsi-S";
  EXPECT_TRUE(slot.selfTest.known && slot.selfTest.shortAndExtended && slot.selfTest.logRead);
  EXPECT_EQ(slot.scsi->grownDefects, 3u);
  // The aborted newest test says nothing; the failed extended one stands.
  DriveHealth health = SlotHealth(slot);
  EXPECT_EQ(health.verdict, HealthVerdict::Bad);
  std::vector<std::string> reasons;
  for (const HealthReason& reason : health.reasons) reasons.push_back(ToUtf8(reason.text));
  EXPECT_EQ(reasons, (std::vector<std::string>{"Extended self-test failed at LBA 4660 (hour 120)", "3 grown defects"}));
  // The alarm speaks once for the defects there, then for each new one.
  HealthSeen seen;
  EXPECT_TRUE(HealthWorsened(health, slot.serialNumber, seen));
  EXPECT_FALSE(HealthWorsened(health, slot.serialNumber, seen));
  DriveSlot more;
  CaptureDevice grown(SelfTestingCapture(ResultParameter(0x21, 0, 130, kNoLba), 4));
  ReadDrive(grown, SleepingDrive::Identify, more);
  EXPECT_TRUE(HealthWorsened(SlotHealth(more), more.serialNumber, seen));

  // The capture holds page 10h and the defect header: the replay is exact.
  DriveCapture reread;
  std::string error;
  ASSERT_TRUE(ParseCapture(FormatCapture(recording.capture()), "scsi.capture", reread, error)) << error;
  CaptureDevice replay(reread);
  DriveSlot again;
  ReadDrive(replay, SleepingDrive::Identify, again);
  again.id = slot.id;
  EXPECT_EQ(again, slot);

  const std::string json = DriveReportJson(slots);
  EXPECT_NE(json.find("\"grownDefects\":3}"), std::string::npos) << json;
  EXPECT_NE(json.find("\"statusText\":\"Completed: failed segment unknown\",\"powerOnHours\":120,"
                      "\"failingLba\":4660,\"sense\":\"3/11/00\"}"),
            std::string::npos)
      << json;
  const auto rows = SmartDetailsRows(slot);
  EXPECT_EQ(rows.back()[1], L"Grown defects");
  EXPECT_EQ(rows.back()[2], L"3");

  MonitorConfig config;
  NoVolumes volumes;
  CycleRecord record{slots, config, volumes, {true}};
  const std::string page = MetricsPage(record, {}, "2.0");
  const std::string d = R"(drive="0",id="scsi-S",model="Linux scsi_debug",serial="",interface="scsi")";
  for (const std::string& sample : {"taruk_drive_scsi_grown_defects{" + d + "} 3\n",
                                    "taruk_drive_scsi_uncorrected_errors{" + d +
                                        R"(,operation="read"} 0)"
                                        "\n",
                                    "taruk_drive_self_test_running{" + d + "} 0\n",
                                    "taruk_drive_self_test_last_result{" + d +
                                        R"(,type="extended",result="failed"} 1)"
                                        "\n",
                                    "taruk_drive_temperature_celsius{" + d + "} 38\n"}) {
    EXPECT_NE(page.find(sample), std::string::npos) << sample;
  }
}

TEST(ScsiDrive, SelfTestCommandsSendOnlyBackgroundTestsTheDriveOffers) {
  const Bytes passed = ResultParameter(0x20, 0, 130, kNoLba);
  const Bytes running = ResultParameter(0x4F, 0, 130, kNoLba);
  struct Case {
    const char* what;
    Bytes newest;
    bool offered;
    SelfTestRequest request;
    CommandAnswer answer;
    SelfTestOutcome outcome;
    const char* text;
    std::vector<Bytes> sent;
  };
  const Case cases[] = {
      {"short",
       passed,
       true,
       SelfTestRequest::Short,
       CommandAnswer::Accepted,
       SelfTestOutcome::Started,
       "short self-test started",
       {{0x1D, 0x20, 0, 0, 0, 0}}},
      {"extended",
       passed,
       true,
       SelfTestRequest::Extended,
       CommandAnswer::Accepted,
       SelfTestOutcome::Started,
       "extended self-test started; it takes about 10 min",
       {{0x1D, 0x40, 0, 0, 0, 0}}},
      {"abort over a running test",
       running,
       true,
       SelfTestRequest::Abort,
       CommandAnswer::Accepted,
       SelfTestOutcome::Aborted,
       "self-test aborted",
       {{0x1D, 0x80, 0, 0, 0, 0}}},
      {"no start over a running test",
       running,
       true,
       SelfTestRequest::Short,
       CommandAnswer::Accepted,
       SelfTestOutcome::AlreadyRunning,
       "a self-test is already running (37 % done)",
       {}},
      {"no conveyance in SCSI",
       passed,
       true,
       SelfTestRequest::Conveyance,
       CommandAnswer::Accepted,
       SelfTestOutcome::NotSupported,
       "SCSI drives have no conveyance self-test",
       {}},
      {"no page 10h: no tests",
       passed,
       false,
       SelfTestRequest::Extended,
       CommandAnswer::Accepted,
       SelfTestOutcome::NotSupported,
       "the drive does not offer an extended self-test",
       {}},
      {"CHECK CONDITION",
       passed,
       true,
       SelfTestRequest::Short,
       CommandAnswer::Refused,
       SelfTestOutcome::Refused,
       "the drive refused the short self-test",
       {{0x1D, 0x20, 0, 0, 0, 0}}},
  };
  for (const Case& c : cases) {
    DriveCapture capture = SelfTestingCapture(c.newest, 0);
    if (!c.offered) capture.scsiAnswers[LogSenseCdb(0x00, 0, 252)] = Bytes{0, 0, 0, 3, 0x00, 0x0D, 0x2F};
    Bytes& sense = capture.scsiAnswers[RequestSenseCdb(32)];
    sense[7] = 10, sense[15] = 0x80, sense[16] = 0x60;  // 37 % of a test done
    DiagnosingDrive drive(capture);
    drive.answer.answer = c.answer;
    const SelfTestReply reply = RequestSelfTest(drive, c.request);
    EXPECT_EQ(reply.outcome, c.outcome) << c.what;
    EXPECT_EQ(reply.text, c.text) << c.what;
    EXPECT_EQ(drive.sent, c.sent) << c.what;
  }
  // A capture carries no command, and a disk without log pages is not asked.
  CaptureDevice replayed(SelfTestingCapture(passed, 0));
  EXPECT_EQ(RequestSelfTest(replayed, SelfTestRequest::Short).outcome, SelfTestOutcome::NotReached);
  DriveCapture bare = SelfTestingCapture(passed, 0);
  bare.scsiAnswers.erase(LogSenseCdb(0x00, 0, 252));
  DiagnosingDrive silent(bare);
  EXPECT_EQ(RequestSelfTest(silent, SelfTestRequest::Short).text, "the drive answers no S.M.A.R.T. request");
  EXPECT_TRUE(silent.sent.empty());

  // While a test runs, REQUEST SENSE tells how far it is, and the dialog
  // offers the abort alone.
  DriveCapture progressing = SelfTestingCapture(running, 0);
  Bytes& sense = progressing.scsiAnswers[RequestSenseCdb(32)];
  sense[7] = 10, sense[15] = 0x80, sense[16] = 0x60;
  CaptureDevice busy(progressing);
  DriveSlot slot;
  ReadDrive(busy, SleepingDrive::Identify, slot);
  EXPECT_TRUE(slot.selfTest.running);
  EXPECT_EQ(slot.selfTest.percentDone, 37);
  const SelfTestButtons buttons = SelfTestButtonsFor(slot.selfTest, false);
  EXPECT_TRUE(buttons.abort && !buttons.shortTest && !buttons.extended && !buttons.conveyance);
  EXPECT_EQ(SelfTestStatusLine(slot), L"Extended self-test running: 37 % done, 63 % to go");
}

TEST(ScsiSelfTestPage, ExtendedTestTimeFromTheControlModePage) {
  Bytes cut = ControlModePage(true, 587);
  cut.resize(cut.size() - 1);
  Bytes overstated = ControlModePage(true, 587);  // the length counts one byte too few
  overstated[1] -= 1;
  Bytes otherPage = ControlModePage(true, 587);
  otherPage[8] = 0x1C;
  Bytes subpage = ControlModePage(true, 587);
  subpage[8] = 0x4A;
  Bytes oldPage = ControlModePage(false, 587);
  oldPage[5] = 0x06;
  Bytes descriptorsPast = ControlModePage(true, 587);
  descriptorsPast[6] = 0xFF;
  const struct {
    const char* what;
    Bytes data;
    bool ten;
    std::optional<uint32_t> seconds;
  } cases[] = {
      {"(10)", ControlModePage(true, 587), true, 587},
      {"(10) with a block descriptor despite DBD", ControlModePage(true, 587, 8), true, 587},
      {"(6)", ControlModePage(false, 5400), false, 5400},
      {"(6) with a long descriptor", ControlModePage(false, 0xFFFF, 16), false, 0xFFFF},
      {"no time given", ControlModePage(true, 0), true, {}},
      {"cut short by the allocation", cut, true, {}},
      {"past the mode data length", overstated, true, {}},
      {"another page", otherPage, true, {}},
      {"a subpage", subpage, true, {}},
      {"a page from before the time", oldPage, false, {}},
      {"descriptors past the end", descriptorsPast, true, {}},
      {"(6) data read as (10)", ControlModePage(false, 587), true, {}},
      {"nothing", {}, false, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeExtendedSelfTestSeconds(c.data, c.ten), c.seconds) << c.what;
  EXPECT_EQ(SelfTestMinutes(587), 10u);
  EXPECT_EQ(SelfTestMinutes(600), 10u);

  // The pass shows it as the other buses' times, and a drive refusing the
  // (10) form is asked the (6) one; a drive without page 10h is not asked.
  const Bytes passed = ResultParameter(0x20, 0, 130, kNoLba);
  DriveCapture sixOnly = SelfTestingCapture(passed, 0);
  sixOnly.scsiAnswers.erase(ModeSense10Cdb(0x0A, 64));
  sixOnly.scsiAnswers[ModeSense6Cdb(0x0A, 64)] = ControlModePage(false, 5400);
  DriveCapture noTests = SelfTestingCapture(passed, 0);
  noTests.scsiAnswers[LogSenseCdb(0x00, 0, 252)] = Bytes{0, 0, 0, 3, 0x00, 0x0D, 0x2F};
  const struct {
    const char* what;
    DriveCapture capture;
    uint32_t minutes;
    const char* offered;
  } passes[] = {
      {"(10)", SelfTestingCapture(passed, 0), 10, "Self-tests: short and extended (extended 10 min)\n"},
      {"(6)", sixOnly, 90, "Self-tests: short and extended (extended 90 min)\n"},
      {"no self-tests", noTests, 0, "Self-tests: not supported by the drive\n"},
  };
  for (const auto& c : passes) {
    SCOPED_TRACE(c.what);
    CaptureDevice device(c.capture);
    RecordingDevice recording(device);
    DriveSlots slots(1);
    ReadDrive(recording, SleepingDrive::Identify, slots[0]);
    EXPECT_EQ(slots[0].selfTest.extendedMinutes, c.minutes);
    EXPECT_EQ(SelfTestReportText(slots[0]).rfind(c.offered, 0), 0u) << SelfTestReportText(slots[0]);
    EXPECT_NE(DriveReportJson(slots).find("\"extendedMinutes\":" + std::to_string(c.minutes) + ","), std::string::npos);
    // The capture keeps the answer the time came from.
    EXPECT_EQ(recording.capture().scsiAnswers.count(ModeSense10Cdb(0x0A, 64)) +
                  recording.capture().scsiAnswers.count(ModeSense6Cdb(0x0A, 64)),
              c.minutes ? 1u : 0u);
  }
}

namespace {

Bytes FixedSense(uint8_t key, uint8_t asc, uint8_t ascq) {
  Bytes sense(18, 0);
  sense[0] = 0x70, sense[2] = key, sense[7] = 10, sense[12] = asc, sense[13] = ascq;
  return sense;
}

// Every command a pass sent and the drive answered.
std::vector<uint8_t> OpcodesAnswered(const DriveCapture& capture) {
  std::vector<uint8_t> opcodes;
  for (const auto& [cdb, answer] : capture.scsiAnswers) opcodes.push_back(cdb[0]);
  return opcodes;
}

}  // namespace

TEST(ScsiDrive, ADiskInStandbyIsToldFromSenseDataAndLeftAsleep) {
  const struct {
    const char* what;
    Bytes sense;
    std::optional<bool> standby;
  } senses[] = {
      {"standby by timer", FixedSense(0, 0x5E, 0x02), true},
      {"standby by command", FixedSense(0, 0x5E, 0x04), true},
      {"standby_y by timer", FixedSense(0, 0x5E, 0x09), true},
      {"standby_y by command", FixedSense(0, 0x5E, 0x0A), true},
      {"low power alone", FixedSense(0, 0x5E, 0x00), true},
      {"stopped: an initializing command required", FixedSense(2, 0x04, 0x02), true},
      {"becoming ready", FixedSense(2, 0x04, 0x01), false},
      {"a self-test in progress", FixedSense(2, 0x04, 0x09), false},
      {"idle by timer", FixedSense(0, 0x5E, 0x01), false},
      {"idle_c by command", FixedSense(0, 0x5E, 0x08), false},
      {"a change to standby is an attention, not a state", FixedSense(6, 0x5E, 0x43), false},
      {"nothing to report", FixedSense(0, 0, 0), false},
      {"descriptor format", {0x72, 0, 0x5E, 0x04, 0, 0, 0, 0}, true},
      {"not sense data", {0x12, 0, 0, 0}, {}},
  };
  for (const auto& c : senses) EXPECT_EQ(DecodeSenseStandby(c.sense), c.standby) << c.what;

  // A known disk that went to sleep keeps its last values; a new one is
  // identified only; --wake reads it whole. INQUIRY and REQUEST SENSE are
  // all a sleeping disk is sent otherwise.
  DriveCapture awake = SelfTestingCapture(ResultParameter(0x20, 0, 130, kNoLba), 3);
  DriveCapture asleep = awake;
  asleep.scsiAnswers[RequestSenseCdb(32)] = FixedSense(0, 0x5E, 0x02);
  DriveSlot known;
  CaptureDevice first(awake);
  ReadDrive(first, SleepingDrive::Leave, known);
  EXPECT_EQ(known.powerMode, PowerMode::Active);
  ASSERT_TRUE(known.selfTest.shortAndExtended);
  const struct {
    const char* what;
    SleepingDrive rule;
    DriveSlot before;
    std::vector<uint8_t> opcodes;  // in the order a capture keeps them
  } passes[] = {
      {"leave", SleepingDrive::Leave, known, {0x03, 0x12}},
      {"identify", SleepingDrive::Identify, DriveSlot{}, {0x03, 0x12}},
  };
  for (const auto& c : passes) {
    SCOPED_TRACE(c.what);
    CaptureDevice device(asleep);
    RecordingDevice recording(device);
    DriveSlot slot = c.before;
    ReadDrive(recording, c.rule, slot);
    EXPECT_EQ(slot.powerMode, PowerMode::Standby);
    EXPECT_EQ(OpcodesAnswered(recording.capture()), c.opcodes);
    EXPECT_EQ(slot.model, L"Linux scsi_debug");
    EXPECT_EQ(slot.selfTest.shortAndExtended, c.before.selfTest.shortAndExtended);
  }
  CaptureDevice woken(asleep);
  DriveSlot read;
  ReadDrive(woken, SleepingDrive::Wake, read);
  EXPECT_EQ(read.powerMode, PowerMode::Standby);
  EXPECT_TRUE(read.selfTest.logRead);
  EXPECT_EQ(read.scsi->grownDefects, 3u);
}

namespace {

// The disk of SelfTestingCapture, opened afresh for each pass and each
// request; its answers can change between them, and what it was sent stays.
class DiagnosingOpener : public DeviceOpener {
 public:
  DriveCapture capture;
  std::shared_ptr<std::vector<Bytes>> sent = std::make_shared<std::vector<Bytes>>();
  std::unique_ptr<SmartDevice> Open(int driveNumber) override {
    if (driveNumber != 0) return nullptr;
    struct Drive : CaptureDevice {
      Drive(DriveCapture capture, std::shared_ptr<std::vector<Bytes>> sent)
          : CaptureDevice(std::move(capture)), sent(std::move(sent)) {}
      DriveCommandResult ScsiNonData(std::span<const uint8_t> cdb) override {
        sent->emplace_back(cdb.begin(), cdb.end());
        return {CommandAnswer::Accepted, 0, {}};
      }
      std::shared_ptr<std::vector<Bytes>> sent;
    };
    return std::make_unique<Drive>(capture, sent);
  }
};

}  // namespace

// The schedule never starts a test on a SCSI disk in standby: it waits
// until the disk has woken by itself.
TEST(ScsiDrive, TheScheduleWaitsForASleepingDiskToWake) {
  DiagnosingOpener opener;
  opener.capture = SelfTestingCapture(ResultParameter(0x20, 0, 130, kNoLba), 0);
  opener.capture.scsiAnswers[InquiryVpdCdb(0x80, 252)] = Bytes{0, 0x80, 0, 5, '1', '8', '0', '0', '0'};
  ScheduledMonitor monitor(opener, "[selftest]\nenabled = true\n");
  const auto cycleAt = [&](int64_t day, uint8_t ascq) {
    opener.capture.scsiAnswers[RequestSenseCdb(32)] = ascq ? FixedSense(0, 0x5E, ascq) : FixedSense(0, 0, 0);
    opener.sent->clear();
    monitor.CycleAt(1'800'000'000 + day * 24 * 3600);
    return *opener.sent;
  };
  const Bytes shortTest = {0x1D, 0x20, 0, 0, 0, 0};
  const Bytes extendedTest = {0x1D, 0x40, 0, 0, 0, 0};
  EXPECT_EQ(cycleAt(0, 0), std::vector<Bytes>{shortTest}) << "a new disk gets its short test at once";
  EXPECT_EQ(cycleAt(1, 0x02), std::vector<Bytes>{}) << "the extended test waits while it sleeps";
  EXPECT_EQ(cycleAt(1, 0x01), std::vector<Bytes>{extendedTest}) << "idle is awake";
}
