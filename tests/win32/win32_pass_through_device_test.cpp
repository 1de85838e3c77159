// SCSI and SAS disks, and disks behind USB bridges, on Windows: the
// IOCTL_SCSI_PASS_THROUGH buffer at Microsoft's documented offsets, captures
// of bridges read through it as their replay reads them, and a bridge that
// refuses ATA PASS-THROUGH probed once per run. Wine has no SCSI pass-through
// to a real disk: the driver here is a script reading the request bytes.
#include <windows.h>

#include <gtest/gtest.h>
#include <ntddscsi.h>
#include <winioctl.h>

#include "core/capture/capture_device.h"
#include "core/capture/capture_file.h"
#include "core/capture/recording_device.h"
#include "core/capture/replay_device_opener.h"
#include "core/drive/read_drive_info.h"
#include "core/drive/self_test_command.h"
#include "fake_devices.h"
#include "win32/scsi_pass_through_buffer.h"
#include "win32/win32_device_opener.h"

using namespace taruk;

namespace {

using Bytes = std::vector<uint8_t>;

void PutLe(Bytes& bytes, std::size_t at, uint64_t value, int width) {
  for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// SCSI_PASS_THROUGH on 64-bit Windows, then 32 bytes of sense, then the data.
Bytes SptBytes(const Bytes& cdb, uint8_t dataIn, uint32_t length, uint64_t dataOffset, const Bytes& out = {}) {
  Bytes bytes(56 + 32 + length, 0);
  bytes[0] = 56;  // Length
  bytes[6] = static_cast<uint8_t>(cdb.size());
  bytes[7] = 32;      // SenseInfoLength
  bytes[8] = dataIn;  // 0 out, 1 in, 2 none
  PutLe(bytes, 12, length, 4);
  PutLe(bytes, 16, 10, 4);  // TimeOutValue, seconds
  PutLe(bytes, 24, dataOffset, 8);
  PutLe(bytes, 32, 56, 4);  // SenseInfoOffset
  std::copy(cdb.begin(), cdb.end(), bytes.begin() + 36);
  std::copy(out.begin(), out.end(), bytes.begin() + 88);
  return bytes;
}

TEST(ScsiPassThrough, RequestsHaveMicrosoftsLayout) {
  const Bytes inquiry = {0x12, 0, 0, 0, 36, 0};
  const Bytes block(512, 0x5A);
  const Bytes jmicronOut = {0xA1, 0x80, 0, 0, 0x02, 0, 0, 0, 0, 0, 0, 0};
  const Bytes enable = {0x85, 0x06, 0x20, 0, 0xD8, 0, 0, 0, 0, 0, 0x4F, 0, 0xC2, 0xA0, 0xB0, 0};
  struct Case {
    const char* what;
    Bytes sent;
    Bytes expected;
  };
  const Case cases[] = {
      {"data in", ioctl::ScsiPassThroughRequest(inquiry, 36, {}, 10), SptBytes(inquiry, 1, 36, 88)},
      {"data out", ioctl::ScsiPassThroughRequest(jmicronOut, 0, block, 10), SptBytes(jmicronOut, 0, 512, 88, block)},
      {"no data", ioctl::ScsiPassThroughRequest(enable, 0, {}, 10), SptBytes(enable, 2, 0, 0)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.sent, c.expected) << c.what;

  // The answer's lengths are the driver's: never past the buffer.
  Bytes answer = SptBytes(inquiry, 1, 36, 88);
  answer[2] = 0;
  PutLe(answer, 12, 5000, 4);
  const auto got = ioctl::ScsiPassThroughAnswerIn(answer, static_cast<uint32_t>(answer.size()), 36);
  ASSERT_TRUE(got);
  EXPECT_EQ(got->data.size(), 36u);
  EXPECT_FALSE(ioctl::ScsiPassThroughAnswerIn(answer, 55, 36)) << "cut short";
}

DriveCapture CaptureFrom(const std::string& path, const std::string& extraLine = {}) {
  DriveCapture capture;
  std::string error;
  FILE* file = _wfopen(std::wstring(path.begin(), path.end()).c_str(), L"rb");
  std::string text = extraLine;
  if (file) {
    char chunk[4096];
    for (std::size_t n; (n = fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, n);
    fclose(file);
  }
  EXPECT_TRUE(ParseCapture(text, path, capture, error)) << error;
  return capture;
}

TEST(ScsiPassThrough, BridgeCapturesReadThroughWindowsAsTheirReplay) {
  const std::string bridges = std::string(TARUK_TEST_DATA_DIR) + "/nvme-bridges/";
  struct Case {
    const char* what;
    DriveCapture capture;
    DriveBus bus;
  };
  const Case cases[] = {
      {"ASMedia NVMe", CaptureFrom(bridges + "asmedia/drive0.capture"), DriveBus::Nvme},
      {"JMicron NVMe", CaptureFrom(bridges + "jmicron/drive0.capture"), DriveBus::Nvme},
      {"Realtek NVMe", CaptureFrom(bridges + "realtek/drive0.capture"), DriveBus::Nvme},
      // A SATA disk behind a JMicron SATA bridge: ATA PASS-THROUGH(16).
      {"SATA behind USB",
       CaptureFrom(ReplayDeviceOpener(TARUK_DEMO_DIR).PathOf(1), "usb-bridge 152d:0578 0508 uaspstor\n"),
       DriveBus::Ata},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto system = std::make_unique<FakeDeviceSystem>();
    const auto sent = system->sent;
    system->drives[PhysicalDrivePath(0)] = {0, 0, CaptureAnswers(c.capture), c.capture.usbBridge};
    Win32DeviceOpener opener(std::move(system));
    DriveSlot viaWindows;
    DriveSlot viaCapture;
    ReadDriveInfo(opener, 0, viaWindows);
    struct One : DeviceOpener {
      DriveCapture capture;
      std::unique_ptr<SmartDevice> Open(int) override { return std::make_unique<CaptureDevice>(capture); }
    } replay;
    replay.capture = c.capture;
    ReadDriveInfo(replay, 0, viaCapture);
    EXPECT_TRUE(viaWindows.IsPresent());
    EXPECT_EQ(viaWindows.bus, c.bus);
    EXPECT_FALSE(viaWindows.model.empty());
    EXPECT_EQ(viaWindows, viaCapture);
    EXPECT_EQ(viaWindows.temperature, viaCapture.temperature);
    // Everything went through the SCSI pass-through; no S.M.A.R.T. request.
    for (const SentControl& control : *sent) EXPECT_NE(control.code, static_cast<uint32_t>(SMART_GET_VERSION));
    if (c.bus != DriveBus::Nvme) continue;
    // A live capture through Windows keeps the chip's answers, as the file has them.
    const DriveCapture live = CaptureDrive(*opener.Open(0));
    EXPECT_EQ(live.bridgeAnswers, c.capture.bridgeAnswers);
    EXPECT_EQ(live.bridgeSent, c.capture.bridgeSent);
    EXPECT_FALSE(live.nvmeIdentify || live.nvmeHealthLog);
  }
}

// A disk that answers INQUIRY and READ CAPACITY and refuses everything else
// with ILLEGAL REQUEST, as a bridge (or the system) that passes no ATA does.
struct ScsiOnlyDisk {
  uint32_t busType;
  bool administrator = true;  // false: the pass-through is refused for want of rights
  std::shared_ptr<std::vector<uint8_t>> opcodes = std::make_shared<std::vector<uint8_t>>();
  ControlResult operator()(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out) const {
    if (code == IOCTL_STORAGE_QUERY_PROPERTY) {
      if (out.size() < 40) return {false, 0, ERROR_INSUFFICIENT_BUFFER};
      std::fill(out.begin(), out.end(), 0);
      out[0] = out[4] = 40;
      out[28] = static_cast<uint8_t>(busType);
      return {true, 40, 0};
    }
    if (code != IOCTL_SCSI_PASS_THROUGH || in.size() < 88) return {false, 0, ERROR_NOT_SUPPORTED};
    const uint8_t opcode = in[36];
    opcodes->push_back(opcode);
    if (!administrator) return {false, 0, ERROR_ACCESS_DENIED};
    std::copy(in.begin(), in.end(), out.begin());
    Bytes data;
    if (opcode == 0x12 && in[37] == 0) {
      data.assign(36, ' ');
      data[0] = 0x00, data[2] = 0x06, data[3] = 0x02, data[4] = 31;
      const std::string names = "SEAGATE ST4000NM0025    0002";
      std::copy(names.begin(), names.end(), data.begin() + 8);
    } else if (opcode == 0x25) {
      data = {0x1D, 0x1C, 0x59, 0x67, 0, 0, 0x02, 0};  // 488,397,168 blocks of 512 bytes
    } else {
      out[2] = 2;  // CHECK CONDITION, ILLEGAL REQUEST, INVALID FIELD IN CDB
      out[7] = 18;
      out[56] = 0x70, out[58] = 0x05, out[63] = 10, out[68] = 0x24;
      out[12] = out[13] = out[14] = out[15] = 0;
      return {true, 88, 0};
    }
    const std::size_t moved = std::min<std::size_t>(data.size(), in[12] | in[13] << 8);
    std::copy_n(data.begin(), moved, out.begin() + 88);
    out[2] = 0, out[7] = 0;
    out[12] = static_cast<uint8_t>(moved), out[13] = out[14] = out[15] = 0;
    return {true, static_cast<uint32_t>(88 + moved), 0};
  }
};

TEST(ScsiPassThrough, ARefusingBridgeIsProbedOnceARunAndTheDiskStillListed) {
  struct Case {
    const char* what;
    uint32_t busType;
    std::optional<UsbBridge> bridge;
    int sixteens, twelves;  // ATA PASS-THROUGH commands over three passes
  };
  const Case cases[] = {
      {"USB bridge", 7, UsbBridge{0x0bc2, 0x2312, 0x0100, "uaspstor"}, 1, 1},
      // A listed NVMe chip is asked its own command first, then probed as any.
      {"NVMe bridge without NVMe", 7, UsbBridge{0x174c, 0x2362, 0, "usbstor"}, 1, 1},
      {"SAS disk", 0xA, std::nullopt, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScsiOnlyDisk disk{c.busType};
    auto system = std::make_unique<FakeDeviceSystem>();
    system->drives[PhysicalDrivePath(0)] = {0, 0, disk, c.bridge};
    Win32DeviceOpener opener(std::move(system));
    for (int pass = 0; pass < 3; ++pass) {
      DriveSlot slot;
      ReadDriveInfo(opener, 0, slot);
      EXPECT_TRUE(slot.IsPresent());
      EXPECT_EQ(slot.model, L"SEAGATE ST4000NM0025") << pass;
      EXPECT_EQ(slot.bus, DriveBus::Scsi);
      EXPECT_EQ(slot.usbBridge, c.bridge);
      // Answered as a SCSI disk: the report tells what the bridge refused.
      EXPECT_EQ(opener.Problem(0), "");
    }
    EXPECT_EQ(std::count(disk.opcodes->begin(), disk.opcodes->end(), 0x85), c.sixteens);
    EXPECT_EQ(std::count(disk.opcodes->begin(), disk.opcodes->end(), 0xA1), c.twelves);
    EXPECT_EQ(std::count(disk.opcodes->begin(), disk.opcodes->end(), 0xE6), c.bridge && c.bridge->vendor == 0x174c);
  }
}

// Without administrator rights nothing reaches the bridge: it is not taken
// for a refusing one, and is probed again once the rights are there.
TEST(ScsiPassThrough, ABridgeRefusedForWantOfRightsStaysUnprobed) {
  ScsiOnlyDisk disk{7, false};
  auto system = std::make_unique<FakeDeviceSystem>();
  system->drives[PhysicalDrivePath(0)] = {0, 0, disk, UsbBridge{0x0bc2, 0x2312, 0x0100, "uaspstor"}};
  Win32DeviceOpener opener(std::move(system));
  for (int pass = 0; pass < 2; ++pass) {
    DriveSlot slot;
    ReadDriveInfo(opener, 0, slot);
    EXPECT_FALSE(slot.IsPresent());
    EXPECT_EQ(opener.Problem(0),
              "\\\\.\\PhysicalDrive0: access denied: reading S.M.A.R.T. needs administrator rights (run taruk as "
              "administrator)");
  }
  // Each pass tries the 16-byte form once; the 12-byte form is never needed.
  EXPECT_EQ(std::count(disk.opcodes->begin(), disk.opcodes->end(), 0x85), 2);
  EXPECT_EQ(std::count(disk.opcodes->begin(), disk.opcodes->end(), 0xA1), 0);
}

// A SAS disk that keeps self-test results, answering SEND DIAGNOSTIC with
// `diagnosticStatus`; every SEND DIAGNOSTIC request is kept whole.
struct SelfTestingDisk {
  uint32_t busType = 0xA;
  uint8_t diagnosticStatus = 0;  // GOOD, or CHECK CONDITION (02h)
  std::shared_ptr<std::vector<Bytes>> diagnostics = std::make_shared<std::vector<Bytes>>();
  ControlResult operator()(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out) const {
    if (code == IOCTL_STORAGE_QUERY_PROPERTY) return ScsiOnlyDisk{busType}(code, in, out);
    if (code != IOCTL_SCSI_PASS_THROUGH || in.size() < 88) return {false, 0, ERROR_NOT_SUPPORTED};
    std::copy(in.begin(), in.end(), out.begin());
    const uint8_t opcode = in[36];
    if (opcode == 0x1D) {
      diagnostics->emplace_back(in.begin(), in.end());
      out[2] = diagnosticStatus;
      out[7] = diagnosticStatus ? 18 : 0;
      if (diagnosticStatus) out[56] = 0x70, out[58] = 0x05, out[63] = 10, out[68] = 0x24;
      return {true, 88, 0};
    }
    Bytes data;
    if (opcode == 0x4D && (in[38] & 0x3F) == 0x00) data = {0x00, 0, 0, 2, 0x00, 0x10};
    if (opcode == 0x4D && (in[38] & 0x3F) == 0x10) {
      data.assign(4 + 400, 0);
      data[0] = 0x10, data[2] = 0x01, data[3] = 0x90;  // twenty unused results
    }
    const std::size_t asked = in[12] | in[13] << 8;
    const std::size_t moved = std::min(data.size(), asked);
    if (data.empty()) out[2] = 2;
    std::copy_n(data.begin(), moved, out.begin() + 88);
    out[12] = static_cast<uint8_t>(moved), out[13] = static_cast<uint8_t>(moved >> 8), out[14] = out[15] = 0;
    return {true, static_cast<uint32_t>(88 + moved), 0};
  }
};

// The self-test commands reach a SAS disk (and a disk behind a bridge that
// passes no ATA) as the core built them, with no data phase; the drive's
// CHECK CONDITION is a refusal, not a start.
TEST(ScsiPassThrough, SelfTestCommandsGoOutWithoutData) {
  struct Case {
    const char* what;
    uint32_t busType;
    SelfTestRequest request;
    uint8_t status;
    SelfTestOutcome outcome;
    uint8_t codeByte;  // SEND DIAGNOSTIC byte 1: the self-test code in bits 7-5
  };
  const Case cases[] = {
      {"SAS short", 0xA, SelfTestRequest::Short, 0, SelfTestOutcome::Started, 0x20},
      {"SAS extended", 0xA, SelfTestRequest::Extended, 0, SelfTestOutcome::Started, 0x40},
      {"SAS abort refused", 0xA, SelfTestRequest::Abort, 2, SelfTestOutcome::Refused, 0x80},
      {"iSCSI short refused", 9, SelfTestRequest::Short, 2, SelfTestOutcome::Refused, 0x20},
      {"USB bridge abort", 7, SelfTestRequest::Abort, 0, SelfTestOutcome::Aborted, 0x80},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SelfTestingDisk disk{c.busType, c.status};
    auto system = std::make_unique<FakeDeviceSystem>();
    system->drives[PhysicalDrivePath(0)] = {0, 0, disk, std::nullopt};
    Win32DeviceOpener opener(std::move(system));
    std::unique_ptr<SmartDevice> device = opener.Open(0);
    ASSERT_TRUE(device);
    EXPECT_EQ(RequestSelfTest(*device, c.request).outcome, c.outcome);
    ASSERT_EQ(disk.diagnostics->size(), 1u);
    const Bytes& sent = disk.diagnostics->front();
    EXPECT_EQ(sent, SptBytes({0x1D, c.codeByte, 0, 0, 0, 0}, 2, 0, 0));
  }

  // A disk on any other bus never gets it: a SATA disk would take it
  // through the system's translation.
  SelfTestingDisk sata{3, 0};
  auto system = std::make_unique<FakeDeviceSystem>();
  system->drives[PhysicalDrivePath(0)] = {0, 0, sata, std::nullopt};
  Win32DeviceOpener opener(std::move(system));
  const DriveCommandResult result = opener.Open(0)->ScsiNonData(std::vector<uint8_t>{0x1D, 0x20, 0, 0, 0, 0});
  EXPECT_EQ(result.answer, CommandAnswer::NotDelivered);
  EXPECT_TRUE(sata.diagnostics->empty());
}

}  // namespace
