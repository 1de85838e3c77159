// NVMe drives behind USB bridges: which bridges are sent a vendor command,
// the bytes of each scheme's commands, JMicron's answer, and captures of each
// chip's answers replayed through its scheme, and live reads recorded as
// the chip's answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "core/capture/capture_device.h"
#include "core/capture/recording_device.h"
#include "core/capture/replay_device_opener.h"
#include "core/drive/nvme_bridge_commands.h"
#include "core/drive/nvme_bridge_reading.h"
#include "core/drive/read_drive_info.h"
#include "core/drive/usb_bridge.h"
#include "support/scratch_dir.h"

using namespace taruk;

namespace {

using Bytes = std::vector<uint8_t>;

TEST(NvmeBridge, OnlyListedChipsGetAScheme) {
  struct Case {
    uint16_t vendor, product;
    NvmeBridgeScheme scheme;
  };
  const Case cases[] = {
      {0x174c, 0x2362, NvmeBridgeScheme::Asmedia},
      {0x174c, 0x2364, NvmeBridgeScheme::Asmedia},
      {0x152d, 0x0583, NvmeBridgeScheme::Jmicron},
      {0x0bda, 0x9210, NvmeBridgeScheme::Realtek},
      {0x0bda, 0x9220, NvmeBridgeScheme::Realtek},
      // SATA bridges of the same makers, QEMU's bridge, ids swapped.
      {0x174c, 0x55aa, NvmeBridgeScheme::None},
      {0x152d, 0x0578, NvmeBridgeScheme::None},
      {0x46f4, 0x0001, NvmeBridgeScheme::None},
      {0x2362, 0x174c, NvmeBridgeScheme::None},
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
      {"JMicron command out",
       JmicronCdb(jmicron::kSendCommand, 512),
       {0xA1, 0x80, 0, 0x00, 0x02, 0x00, 0, 0, 0, 0, 0, 0}},
      {"JMicron data in", JmicronCdb(jmicron::kDataIn, 4096), {0xA1, 0x82, 0, 0x00, 0x10, 0x00, 0, 0, 0, 0, 0, 0}},
      {"JMicron response", JmicronCdb(jmicron::kResponse, 512), {0xA1, 0x8F, 0, 0x00, 0x02, 0x00, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.cdb, c.expected) << c.name;

  const auto block = JmicronCommandBlock(health);
  EXPECT_EQ(Bytes(block.begin(), block.begin() + 16),
            (Bytes{'N', 'V', 'M', 'E', 0, 0, 0, 0, 0x02, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
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

// Windows names a disk's USB device by its instance id or hardware id; the
// bridge's ids are read from either, and nothing from anything else.
TEST(NvmeBridge, UsbIdsAreReadFromWindowsDeviceIds) {
  struct Case {
    const char* id;
    std::optional<UsbBridge> bridge;
  };
  const Case cases[] = {
      {"USB\\VID_174C&PID_2362\\MSFT30123456789", UsbBridge{0x174c, 0x2362, 0, ""}},
      {"USB\\VID_0bda&PID_9210&REV_2001", UsbBridge{0x0bda, 0x9210, 0x2001, ""}},
      {"USB\\VID_152D&PID_0583&MI_00\\6&2A1B", UsbBridge{0x152d, 0x0583, 0, ""}},
      {"usb\\VID_46F4&PID_0001", UsbBridge{0x46f4, 0x0001, 0, ""}},
      {"USB\\VID_46F4&PID_0001&REV_00", UsbBridge{0x46f4, 0x0001, 0, ""}},  // a release cut short is none
      {"USBSTOR\\DISK&VEN_SAMSUNG&PROD_PSSD_T7", std::nullopt},
      {"SCSI\\DISK&VEN_NVME&PROD_SAMSUNG_SSD_970", std::nullopt},
      {"USB\\VID_174C&PID_236", std::nullopt},
      {"USB\\VID_174C&PID_2362X", std::nullopt},
      {"USB\\VID_17G4&PID_2362", std::nullopt},
      {"USB\\PID_2362&VID_174C", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(UsbBridgeFromDeviceId(c.id), c.bridge) << c.id;
}

// The captures hold the chips' answers keyed by the command bytes laid out
// from the chips' descriptions (scripts/make-bridge-captures.py): a replay
// finds them only when the program sends exactly those bytes, and the
// JMicron command block only goes out when it is the one the chip took.
TEST(NvmeBridge, CapturesOfEachChipReplayAsTheNvmeDrive) {
  struct Case {
    const char* scheme;
    const char* from = nullptr;  // a change to the capture's text, if any
    const char* to = nullptr;
    const wchar_t* model = nullptr;  // nullptr: no NVMe drive comes out
    uint32_t temperature = 0;
    uint32_t hours = 0;
  };
  const Case cases[] = {
      {"asmedia", nullptr, nullptr, L"Samsung SSD 970 EVO Plus 500GB", 36, 812},
      {"jmicron", nullptr, nullptr, L"WD Blue SN570 500GB", 44, 1503},
      {"realtek", nullptr, nullptr, L"KINGSTON SNV2S500G", 51, 96},
      // The same answers behind QEMU's bridge, which the table does not list:
      // no vendor command goes to it.
      {"asmedia", "174c:2362", "46f4:0001"},
      // An Identify command block with the wrong NSID is not the one taken.
      {"jmicron", "4e564d45000000000600000000000000", "4e564d45000000000600000001000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.scheme) + (c.from ? " changed" : ""));
    const std::string source = std::string(TARUK_TEST_DATA_DIR) + "/nvme-bridges/" + c.scheme;
    ScratchDir copy;
    std::string text = ReadFileBytes(source + "/drive0.capture");
    if (c.from) {
      const std::size_t at = text.find(c.from);
      ASSERT_NE(at, std::string::npos);
      text.replace(at, std::string(c.from).size(), c.to);
    }
    ASSERT_TRUE(WriteFileBytes(copy / "drive0.capture", text));
    ReplayDeviceOpener opener(copy.path());
    DriveSlot slot;
    ReadDriveInfo(opener, 0, slot);
    if (!c.model) {
      EXPECT_NE(slot.bus, DriveBus::Nvme);
      EXPECT_TRUE(slot.model.empty());
      continue;
    }
    EXPECT_EQ(slot.bus, DriveBus::Nvme);
    EXPECT_EQ(ShownText(slot.model), c.model);
    EXPECT_EQ(slot.temperature, c.temperature);
    EXPECT_EQ(slot.powerOnHours, c.hours);
    ASSERT_TRUE(slot.usbBridge);
    ASSERT_TRUE(slot.nvmeLog);
  }
}

// A bridge chip that answers its own commands from a capture's chip lines,
// refusing the commands a test names, in an enclosure read as on Linux and
// Windows: NVMe reads through the chip's scheme, nothing else answered.
class ScriptedChip : public ScsiTransport {
 public:
  ScriptedChip(const DriveCapture& script, std::set<ScsiCdb> refused)
      : answers_(script), refused_(std::move(refused)) {}
  bool Transfer(std::span<const uint8_t> cdb, std::span<uint8_t> dataIn, std::span<const uint8_t> dataOut,
                unsigned timeoutMs) override {
    if (refused_.contains(ScsiCdb(cdb.begin(), cdb.end()))) return false;
    return answers_.Transfer(cdb, dataIn, dataOut, timeoutMs);
  }

 private:
  RecordedBridge answers_;
  std::set<ScsiCdb> refused_;
};

class Enclosure : public SmartDevice {
 public:
  Enclosure(const DriveCapture& script, std::set<ScsiCdb> refused)
      : chip_(script, std::move(refused)),
        bridge_(*script.usbBridge),
        nvme_(chip_, NvmeBridgeSchemeOf(bridge_.vendor, bridge_.product),
              std::make_shared<BridgeAtaForm>(BridgeAtaForm::Unknown), 100, 100),
        geometry_(script.geometry) {}
  std::optional<uint8_t> DeviceMap() override { return std::nullopt; }
  std::optional<DriveGeometry> Geometry() override { return geometry_; }
  bool EnableSmart(int) override { return false; }
  std::optional<Page> Identify(int, bool) override { return std::nullopt; }
  std::optional<Page> SmartData(int) override { return std::nullopt; }
  std::optional<Page> SmartThresholds(int) override { return std::nullopt; }
  DriveBus Bus() override { return nvme_.IsNvme() ? DriveBus::Nvme : DriveBus::Ata; }
  std::optional<NvmeIdentifyData> NvmeIdentifyController() override { return nvme_.IdentifyController(); }
  std::optional<Page> NvmeHealthLogPage() override { return nvme_.HealthLog(); }
  std::optional<UsbBridge> Bridge() override { return bridge_; }
  std::vector<BridgeTransfer> TakeBridgeTraffic() override { return nvme_.TakeTraffic(); }

 private:
  ScriptedChip chip_;
  UsbBridge bridge_;
  NvmeBridgeDrive nvme_;
  std::optional<DriveGeometry> geometry_;
};

// A live capture of a drive in an enclosure keeps the chip's commands and
// answers, not the drive's, so that its replay runs the same scheme and
// gives the same drive; a read the chip refused leaves none of its commands.
TEST(NvmeBridge, LiveCapturesRecordTheChipAndReplayAsTheSameDrive) {
  const ScsiCdb jmicronLogIn = JmicronCdb(jmicron::kDataIn, 512);
  const ScsiCdb jmicronResponse = JmicronCdb(jmicron::kResponse, 512);
  struct Case {
    const char* scheme;
    std::set<ScsiCdb> refused;
    bool nvme = true;
    bool healthLog = true;
  };
  const Case cases[] = {
      {"asmedia", {}},
      {"jmicron", {}},
      {"realtek", {}},
      {"asmedia", {AsmediaNvmeCdb(LogPageRead(0x02, 512))}, true, false},
      {"realtek", {RealtekNvmeCdb(LogPageRead(0x02, 512))}, true, false},
      // The log's command block went out before the chip refused its data.
      {"jmicron", {jmicronLogIn}, true, false},
      {"jmicron", {jmicronResponse}, false, false},
      {"asmedia", {AsmediaNvmeCdb(IdentifyControllerRead())}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.scheme) + " case " + std::to_string(&c - cases));
    DriveCapture script;
    std::string error;
    const std::string source = std::string(TARUK_TEST_DATA_DIR) + "/nvme-bridges/" + c.scheme + "/drive0.capture";
    ASSERT_TRUE(ParseCapture(ReadFileBytes(source), source, script, error)) << error;

    Enclosure enclosure(script, c.refused);
    RecordingDevice recording(enclosure);
    DriveSlot live;
    ReadDrive(recording, SleepingDrive::Identify, live);
    DriveCapture reread;
    ASSERT_TRUE(ParseCapture(FormatCapture(recording.capture()), "live.capture", reread, error)) << error;
    CaptureDevice replay(reread);
    DriveSlot replayed;
    ReadDrive(replay, SleepingDrive::Identify, replayed);

    EXPECT_EQ(replayed, live);
    EXPECT_EQ(live.bus == DriveBus::Nvme, c.nvme);
    EXPECT_EQ(live.nvmeLog.has_value(), c.healthLog);
    EXPECT_EQ(reread.usbBridge, script.usbBridge);
    EXPECT_FALSE(reread.nvme || reread.nvmeIdentify || reread.nvmeHealthLog) << "drive lines beside the chip's";
    if (c.refused.empty()) {
      EXPECT_EQ(reread.bridgeAnswers, script.bridgeAnswers);
      EXPECT_EQ(reread.bridgeSent, script.bridgeSent);
    } else {
      // Nothing of the failed read: the identify's commands, or none at all.
      const bool jmicron = std::string(c.scheme) == "jmicron";
      EXPECT_EQ(reread.bridgeAnswers.size(), c.nvme ? (jmicron ? 2u : 1u) : 0u);
      EXPECT_EQ(reread.bridgeSent.size(), c.nvme && jmicron ? 1u : 0u);
    }
  }
}

}  // namespace
