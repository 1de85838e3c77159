// Starting and aborting self-tests: what is sent to the drive (nothing when
// the drive does not offer the test or one is running) and what the user
// is told, for ATA and NVMe drives.
#include "core/drive/self_test_command.h"

#include <gtest/gtest.h>

#include "core/capture/capture_device.h"
#include "support/scripted_device.h"
#include "support/self_test_pages.h"

using namespace taruk;

namespace {

class NvmeDrive : public SmartDevice {
 public:
  std::optional<uint8_t> DeviceMap() override { return std::nullopt; }
  std::optional<DriveGeometry> Geometry() override { return std::nullopt; }
  bool EnableSmart(int) override { return false; }
  std::optional<Page> Identify(int, bool) override { return std::nullopt; }
  std::optional<Page> SmartData(int) override { return std::nullopt; }
  std::optional<Page> SmartThresholds(int) override { return std::nullopt; }
  DriveBus Bus() override { return DriveBus::Nvme; }
  std::optional<NvmeIdentifyData> NvmeIdentifyController() override { return identify; }
  DriveCommandResult NvmeDeviceSelfTest(uint8_t code) override {
    sent.push_back(code);
    return answer;
  }
  std::optional<NvmeIdentifyData> identify;
  DriveCommandResult answer{CommandAnswer::Accepted, 0, {}};
  std::vector<uint8_t> sent;
};

}  // namespace

TEST(SelfTestCommand, AtaSendsOnlyWhatTheDriveOffers) {
  struct Case {
    const char* name;
    uint8_t deviceMap;
    uint8_t status, capabilities;
    bool dataRefused;
    SelfTestRequest request;
    CommandAnswer answer;
    SelfTestOutcome outcome;
    const char* text;
    const char* sent;  // the execute request, or "" for none
  };
  const Case cases[] = {
      {"short on QEMU's disk", 0x01, 0x00, 0x19, false, SelfTestRequest::Short, CommandAnswer::Accepted,
       SelfTestOutcome::Started, "short self-test started; it takes about 2 min", "execute-offline 0 0x01"},
      {"extended", 0x01, 0x00, 0x19, false, SelfTestRequest::Extended, CommandAnswer::Accepted,
       SelfTestOutcome::Started, "extended self-test started; it takes about 54 min", "execute-offline 0 0x02"},
      {"conveyance not offered (byte 367 bit 5 clear)", 0x01, 0x00, 0x19, false, SelfTestRequest::Conveyance,
       CommandAnswer::Accepted, SelfTestOutcome::NotSupported, "the drive does not offer a conveyance self-test", ""},
      {"conveyance offered", 0x01, 0x00, 0x39, false, SelfTestRequest::Conveyance, CommandAnswer::Accepted,
       SelfTestOutcome::Started, "conveyance self-test started; it takes about 5 min", "execute-offline 0 0x03"},
      {"never over a running test", 0x01, 0xF4, 0x19, false, SelfTestRequest::Extended, CommandAnswer::Accepted,
       SelfTestOutcome::AlreadyRunning, "a self-test is already running (60 % done)", ""},
      {"abort a running test", 0x01, 0xF4, 0x19, false, SelfTestRequest::Abort, CommandAnswer::Accepted,
       SelfTestOutcome::Aborted, "self-test aborted", "execute-offline 0 0x7f"},
      {"abort refused (QEMU)", 0x01, 0x00, 0x19, false, SelfTestRequest::Abort, CommandAnswer::Refused,
       SelfTestOutcome::Refused, "the drive refused to abort (no self-test running, or abort not supported)",
       "execute-offline 0 0x7f"},
      {"the drive answers ABRT to a start", 0x01, 0x00, 0x19, false, SelfTestRequest::Short, CommandAnswer::Refused,
       SelfTestOutcome::Refused, "the drive refused the short self-test", "execute-offline 0 0x01"},
      {"no self-test capability", 0x01, 0x00, 0x01, false, SelfTestRequest::Short, CommandAnswer::Accepted,
       SelfTestOutcome::NotSupported, "the drive does not offer a short self-test", ""},
      {"a packet device only", 0x11, 0x00, 0x19, false, SelfTestRequest::Short, CommandAnswer::Accepted,
       SelfTestOutcome::NotSupported, "a packet (ATAPI) device runs no self-tests", ""},
      {"SMART READ DATA refused", 0x01, 0x00, 0x19, true, SelfTestRequest::Short, CommandAnswer::Accepted,
       SelfTestOutcome::NotReached, "the drive did not answer SMART READ DATA", ""},
      {"second position", 0x02, 0x00, 0x19, false, SelfTestRequest::Short, CommandAnswer::Accepted,
       SelfTestOutcome::Started, "short self-test started; it takes about 2 min", "execute-offline 1 0x01"},
  };
  for (const Case& c : cases) {
    ScriptedDevice drive;
    drive.deviceMap = c.deviceMap;
    const int position = c.deviceMap == 0x02 ? 1 : 0;
    Page data{};
    SetAtaSelfTestBytes(data, c.status, c.capabilities);
    drive.pages["read-data " + std::to_string(position)] = data;
    if (c.dataRefused) drive.refused.insert("read-data 0");
    drive.offlineAnswer = c.answer;
    const SelfTestReply reply = RequestSelfTest(drive, c.request);
    EXPECT_EQ(reply.outcome, c.outcome) << c.name;
    EXPECT_EQ(reply.text, c.text) << c.name;
    std::string sent;
    for (const std::string& request : drive.log) {
      if (request.starts_with("execute-offline")) sent += request;
    }
    EXPECT_EQ(sent, c.sent) << c.name;
    EXPECT_EQ(SelfTestAccepted(reply.outcome),
              c.outcome == SelfTestOutcome::Started || c.outcome == SelfTestOutcome::Aborted);
  }
}

TEST(SelfTestCommand, Nvme) {
  struct Case {
    const char* name;
    uint16_t oacs;
    SelfTestRequest request;
    DriveCommandResult answer;
    SelfTestOutcome outcome;
    const char* text;
    std::vector<uint8_t> sent;
  };
  const Case cases[] = {
      {"short",
       0x10,
       SelfTestRequest::Short,
       {CommandAnswer::Accepted, 0, {}},
       SelfTestOutcome::Started,
       "short self-test started; it takes about 2 min",
       {0x1}},
      {"extended, with EDSTT",
       0x10,
       SelfTestRequest::Extended,
       {CommandAnswer::Accepted, 0, {}},
       SelfTestOutcome::Started,
       "extended self-test started; it takes about 30 min",
       {0x2}},
      {"abort",
       0x10,
       SelfTestRequest::Abort,
       {CommandAnswer::Accepted, 0, {}},
       SelfTestOutcome::Aborted,
       "self-test aborted",
       {0xF}},
      {"status 1Dh: already running",
       0x10,
       SelfTestRequest::Short,
       {CommandAnswer::Refused, 0x1D, {}},
       SelfTestOutcome::AlreadyRunning,
       "a self-test is already running",
       {0x1}},
      {"another refusal",
       0x10,
       SelfTestRequest::Short,
       {CommandAnswer::Refused, 0x02, {}},
       SelfTestOutcome::Refused,
       "the drive refused the short self-test",
       {0x1}},
      {"QEMU: OACS bit 4 clear",
       0x07,
       SelfTestRequest::Short,
       {CommandAnswer::Accepted, 0, {}},
       SelfTestOutcome::NotSupported,
       "self-tests are not supported by this NVMe drive",
       {}},
      {"no conveyance test in NVMe",
       0x10,
       SelfTestRequest::Conveyance,
       {CommandAnswer::Accepted, 0, {}},
       SelfTestOutcome::NotSupported,
       "NVMe drives have no conveyance self-test",
       {}},
      {"not delivered",
       0x10,
       SelfTestRequest::Short,
       {CommandAnswer::NotDelivered, 0, "/dev/nvme0n1: gone"},
       SelfTestOutcome::NotReached,
       "the command did not reach the drive: /dev/nvme0n1: gone",
       {0x1}},
  };
  for (const Case& c : cases) {
    NvmeDrive drive;
    drive.identify = NvmeIdentifyWithSelfTest(c.oacs, 30);
    drive.answer = c.answer;
    const SelfTestReply reply = RequestSelfTest(drive, c.request);
    EXPECT_EQ(reply.outcome, c.outcome) << c.name;
    EXPECT_EQ(reply.text, c.text) << c.name;
    EXPECT_EQ(drive.sent, c.sent) << c.name;
  }
  NvmeDrive silent;
  EXPECT_EQ(RequestSelfTest(silent, SelfTestRequest::Short).outcome, SelfTestOutcome::NotReached);
}

TEST(SelfTestCommand, ACaptureOrTheReaderCannotStartOne) {
  DriveCapture capture;
  capture.deviceMap = 0x01;
  Page data{};
  SetAtaSelfTestBytes(data, 0x00, 0x19);
  capture.smartData[0] = data;
  CaptureDevice device(capture);
  const SelfTestReply reply = RequestSelfTest(device, SelfTestRequest::Short);
  EXPECT_EQ(reply.outcome, SelfTestOutcome::NotReached);
  EXPECT_NE(reply.text.find("only read answers reach this drive"), std::string::npos) << reply.text;
}
