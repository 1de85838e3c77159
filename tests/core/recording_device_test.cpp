// The capture of a pass: what the one reading pass asked, recorded as it ran.
#include "core/capture/recording_device.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/capture/capture_device.h"
#include "core/capture/drive_capture.h"
#include "core/drive/read_drive_info.h"
#include "support/scripted_device.h"

using namespace taruk;

namespace {

Page Pattern(uint8_t seed) {
  Page page;
  for (size_t i = 0; i < page.size(); ++i) page[i] = static_cast<uint8_t>(seed + i * 7);
  return page;
}

}  // namespace

// CaptureDrive must ask exactly what the reading pass asks, so that a replay
// of the capture answers every request of the pass.
TEST(CaptureDrive, AsksWhatTheReadingPassAsksAndKeepsTheAnswers) {
  ScriptedDevice device;
  device.deviceMap = 0x07 | 0x20;  // ATA at 0 and 2, ATAPI at 1
  device.cylinders = 9729;
  device.tracksPerCylinder = 255;
  device.refused = {"enable 2"};
  device.powerModes[0] = 0xFF;  // position 2 does not answer it
  device.pages["identify 0"] = Pattern(1);
  device.pages["identify-packet 1"] = Pattern(2);
  device.pages["identify 2"] = Pattern(3);
  device.pages["read-data 0"] = Pattern(4);
  device.pages["read-thresholds 0"] = Pattern(5);
  device.pages["read-data 2"] = Pattern(6);  // never asked: enable 2 failed

  const DriveCapture capture = CaptureDrive(device);
  EXPECT_EQ(device.log, (std::vector<std::string>{"version", "geometry", "power-mode 0", "enable 0", "identify 0",
                                                  "identify-packet 1", "power-mode 2", "enable 2", "identify 2",
                                                  "read-data 0", "read-thresholds 0"}));
  EXPECT_EQ(capture.powerMode, (std::array<std::optional<uint8_t>, 4>{0xFF, {}, {}, {}}));
  EXPECT_EQ(capture.deviceMap, 0x27);
  ASSERT_TRUE(capture.geometry);
  EXPECT_EQ(*capture.geometry, (DriveGeometry{9729, 255, 63, 512}));
  EXPECT_EQ(capture.enable[0], true);
  EXPECT_FALSE(capture.enable[1]);  // an ATAPI position is never enabled
  EXPECT_EQ(capture.enable[2], false);
  EXPECT_EQ(capture.identify[1], Pattern(2));
  EXPECT_EQ(capture.identify[2], Pattern(3));
  EXPECT_EQ(capture.smartData[0], Pattern(4));
  EXPECT_EQ(capture.smartThresholds[0], Pattern(5));
  EXPECT_FALSE(capture.smartData[2]);
}

TEST(CaptureDrive, StopsWhereThePassStops) {
  ScriptedDevice refusesVersion;
  refusesVersion.versionAnswers = false;
  EXPECT_EQ(CaptureDrive(refusesVersion), DriveCapture{});
  EXPECT_EQ(refusesVersion.log, std::vector<std::string>{"version"});

  // No data page: the thresholds are not asked for; no geometry: none kept,
  // and nothing is recorded for a request that failed.
  ScriptedDevice noData;
  noData.geometryAnswers = false;
  noData.pages["identify 0"] = Pattern(1);
  noData.pages["read-thresholds 0"] = Pattern(2);
  const DriveCapture capture = CaptureDrive(noData);
  EXPECT_EQ(noData.log,
            (std::vector<std::string>{"version", "geometry", "power-mode 0", "enable 0", "identify 0", "read-data 0"}));
  EXPECT_FALSE(capture.geometry);
  EXPECT_FALSE(capture.smartData[0]);
  EXPECT_FALSE(capture.smartThresholds[0]);
  EXPECT_EQ(capture.enable[0], true);
}

TEST(CaptureDrive, ASleepingDriveIsCapturedAsThePassWouldTreatIt) {
  ScriptedDevice device;
  device.powerModes[0] = 0x00;
  device.pages["identify 0"] = Pattern(1);
  device.pages["read-data 0"] = Pattern(2);
  device.pages["read-thresholds 0"] = Pattern(3);
  using Log = std::vector<std::string>;
  const struct {
    SleepingDrive rule;
    Log log;
  } cases[] = {
      {SleepingDrive::Leave, {"version", "geometry", "power-mode 0"}},
      {SleepingDrive::Identify, {"version", "geometry", "power-mode 0", "identify 0"}},
      {SleepingDrive::Wake,
       {"version", "geometry", "power-mode 0", "enable 0", "identify 0", "read-data 0", "read-thresholds 0"}},
  };
  for (const auto& c : cases) {
    device.log.clear();
    const DriveCapture capture = CaptureDrive(device, c.rule);
    EXPECT_EQ(device.log, c.log);
    EXPECT_EQ(capture.powerMode[0], 0x00);
    EXPECT_EQ(capture.smartData[0].has_value(), c.rule == SleepingDrive::Wake);
    // Replayed, it is the same sleeping drive.
    DriveCapture replayed;
    std::string error;
    ASSERT_TRUE(ParseCapture(FormatCapture(capture), "drive0.capture", replayed, error)) << error;
    EXPECT_EQ(replayed, capture);
  }
}

// An NVMe drive is asked its size, Identify Controller and the health log and
// nothing of ATA; the capture replays to the same slot, and a failed log read
// keeps the slot's last log.
TEST(CaptureDrive, AnNvmeDriveIsAskedOnlyItsOwnCommandsAndReplaysToTheSameSlot) {
  DriveCapture capture;
  capture.nvme = true;
  capture.geometry = DriveGeometry{60801, 255, 63, 512};
  capture.nvmeIdentify.emplace();
  capture.nvmeIdentify->fill(' ');
  for (size_t i = 0; i < 20; ++i) capture.nvmeIdentify->at(4 + i) = static_cast<uint8_t>('A' + i);
  Page log{};
  log[1] = 0x3A;  // 314 K
  log[2] = 0x01;
  log[128] = 42;  // power on hours
  capture.nvmeHealthLog = log;

  CaptureDevice replay(capture);
  EXPECT_EQ(CaptureDrive(replay), capture);

  DriveSlot slot;
  ReadDrive(replay, SleepingDrive::Leave, slot);
  EXPECT_EQ(slot.bus, DriveBus::Nvme);
  EXPECT_TRUE(slot.IsPresent());
  EXPECT_EQ(slot.serialNumber, L"ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(slot.temperature, 41u);
  EXPECT_EQ(slot.powerOnHours, 42u);
  ASSERT_TRUE(slot.nvmeLog.has_value());
  EXPECT_EQ(slot.powerMode, PowerMode::Unknown);  // never asked

  capture.nvmeHealthLog.reset();
  CaptureDevice failing(capture);
  const DriveSlot before = slot;
  ReadDrive(failing, SleepingDrive::Leave, slot);
  EXPECT_EQ(slot, before);
}
