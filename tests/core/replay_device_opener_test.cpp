#include "core/capture/replay_device_opener.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/capture/capture_device.h"
#include "core/capture/recording_device.h"
#include "core/drive/read_drive_info.h"
#include "core/monitor/drive_numbering.h"
#include "support/pages.h"
#include "support/scratch_dir.h"
#include "support/scripted_device.h"

using namespace taruk;

namespace {

DriveCapture HotDrive(uint8_t temperature) {
  DriveCapture capture;
  capture.deviceMap = 0x01;
  capture.geometry = DriveGeometry{9729, 255, 63, 512};
  capture.enable[0] = true;
  capture.identify[0] = IdentifyPage("WDC WD800JB-00JJC0", "05.01C05", "WD-WMAM9AB12345");
  capture.smartData[0] = AttributePage({{0, 194, 100, 100, {temperature}}});
  capture.smartThresholds[0] = ThresholdPage({});
  return capture;
}

}  // namespace

TEST(ReplayDrives, EveryPassReadsTheFileAfresh) {
  ScratchDir dir;
  ReplayDeviceOpener opener(dir.path());
  DriveSlots slots = DriveSlots(kDiskButtonCount);

  // No file: no drive, and nothing to complain about.
  ReadEveryDrive(opener, slots);
  for (int n = 0; n < kDiskButtonCount; ++n) {
    EXPECT_FALSE(slots[n].IsPresent());
    EXPECT_EQ(opener.Problem(n), "");
  }

  WriteFileBytes(dir / "drive1.capture", FormatCapture(HotDrive(40)));
  ReadEveryDrive(opener, slots);
  EXPECT_TRUE(slots[1].IsPresent());
  EXPECT_EQ(slots[1].temperature, 40u);

  WriteFileBytes(dir / "drive1.capture", FormatCapture(HotDrive(61)));
  ReadEveryDrive(opener, slots);
  EXPECT_EQ(slots[1].temperature, 61u);

  // Broken in the middle: the drive does not open, keeps what it had, and
  // the reason names the file and the line.
  std::string broken = FormatCapture(HotDrive(70));
  broken.replace(broken.find("smart-data 0") + 20, 1, "q");
  WriteFileBytes(dir / "drive1.capture", broken);
  const DriveSlot before = slots[1];
  ReadEveryDrive(opener, slots);
  EXPECT_EQ(slots[1], before);
  EXPECT_EQ(opener.Problem(1).rfind((dir / "drive1.capture") + ":", 0), 0u) << opener.Problem(1);
  EXPECT_NE(opener.Problem(1).find("hex digit"), std::string::npos) << opener.Problem(1);

  WriteFileBytes(dir / "drive1.capture", FormatCapture(HotDrive(42)));
  ReadEveryDrive(opener, slots);
  EXPECT_EQ(slots[1].temperature, 42u);
  EXPECT_EQ(opener.Problem(1), "");

  // A text read before is not parsed again, but a change after it, or the
  // file going away, is seen at once.
  ReadEveryDrive(opener, slots);
  EXPECT_EQ(slots[1].temperature, 42u);
  WriteFileBytes(dir / "drive1.capture", broken);
  EXPECT_EQ(opener.Open(1), nullptr);
  EXPECT_NE(opener.Problem(1).find("hex digit"), std::string::npos) << opener.Problem(1);
  ASSERT_TRUE(std::filesystem::remove(dir / "drive1.capture"));
  EXPECT_EQ(opener.Open(1), nullptr);
  EXPECT_EQ(opener.Problem(1), "");
}

TEST(ReplayDrives, FilesThatAreNoCapturesAreReportedNotRead) {
  ScratchDir dir;
  ReplayDeviceOpener opener(dir.path());
  std::filesystem::create_directory(dir / "drive0.capture");          // a folder
  WriteFileBytes(dir / "drive2.capture", std::string(2 << 20, '0'));  // far too large
  WriteFileBytes(dir / "drive3.capture", "");                         // empty: a drive whose version request fails
  EXPECT_EQ(opener.Open(0), nullptr);
  EXPECT_NE(opener.Problem(0).find("not a regular file"), std::string::npos);
  EXPECT_EQ(opener.Open(2), nullptr);
  EXPECT_NE(opener.Problem(2).find("larger than"), std::string::npos);
  DriveSlot slot;
  ReadDriveInfo(opener, 3, slot);
  EXPECT_FALSE(slot.IsPresent());
  EXPECT_EQ(opener.Problem(3), "");
}

TEST(ReplayDrives, ADriveThatAnsweredWithoutASizeSaysWhyItIsNotShown) {
  const struct {
    std::optional<DriveGeometry> geometry;
    const char* why;  // empty: shown
  } cases[] = {
      {DriveGeometry{0, 0, 0, 0}, "geometry 0 0 0 0 gives the drive no size, so it is not shown"},
      {DriveGeometry{9729, 255, 63, 0}, "geometry 9729 255 63 0 gives the drive no size, so it is not shown"},
      {DriveGeometry{1, 1, 1, 512}, "geometry 1 1 1 512 gives the drive no size, so it is not shown"},
      {std::nullopt, "no geometry line: the drive has no size, so it is not shown"},
      {DriveGeometry{1, 1, 2048, 512}, ""},  // one megabyte
  };
  for (const bool nvme : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(nvme ? "NVMe, " : "ATA, ") + c.why);
      ScratchDir dir;
      DriveCapture capture = HotDrive(40);
      capture.nvme = nvme;
      capture.geometry = c.geometry;
      WriteFileBytes(dir / "drive1.capture", FormatCapture(capture));
      ReplayDeviceOpener opener(dir.path());
      DriveSlot slot;
      ReadDriveInfo(opener, 1, slot);
      EXPECT_EQ(slot.IsPresent(), *c.why == '\0');
      EXPECT_EQ(opener.Problem(1), *c.why ? (dir / "drive1.capture") + ": " + c.why : "");
    }
  }
}

// A drive recorded with CaptureDrive and replayed from its file must give the
// very slot the live drive gave: the capture loses nothing the pass uses.
TEST(ReplayDrives, ARecordedDriveReplaysToTheSameSlot) {
  ScriptedDevice live;
  live.deviceMap = 0x0F | 0x40;  // four positions, the third ATAPI
  live.refused = {"enable 3", "read-thresholds 1"};
  live.pages["identify 0"] = IdentifyPage("FIRST", "1", "A");
  live.pages["identify 1"] = IdentifyPage("SECOND", "2", "B");
  live.pages["identify-packet 2"] = IdentifyPage("OPTICAL", "3", "C");
  live.pages["identify 3"] = IdentifyPage("FOURTH", "4", "D");
  live.pages["read-data 0"] = AttributePage({{0, 9, 1, 2, {0x10, 0x27}}, {1, 194, 3, 4, {39}}, {2, 5, 5, 6, {}}});
  live.pages["read-thresholds 0"] = ThresholdPage({{0, 9, 7}, {1, 194, 8}, {2, 5, 36}});
  live.pages["read-data 1"] = AttributePage({{1, 231, 9, 9, {47}}});
  live.pages["read-data 3"] = AttributePage({{0, 1, 1, 1, {}}});  // never read: enable 3 fails

  ScriptedOpener direct;
  direct.drives[2] = live;
  DriveSlot expected;
  ReadDriveInfo(direct, 2, expected);

  ScratchDir dir;
  WriteFileBytes(dir / "drive2.capture", FormatCapture(CaptureDrive(live)));
  ReplayDeviceOpener replay(dir.path());
  DriveSlot replayed;
  ReadDriveInfo(replay, 2, replayed);
  EXPECT_EQ(replayed, expected);
  EXPECT_EQ(replayed.model.substr(0, 6), L"FOURTH");
  EXPECT_EQ(replayed.temperature, 47u);
  EXPECT_EQ(replayed.attributes[1].threshold, 0);  // thresholds of position 1 failed
}

TEST(ReplayDrives, OnlyRequestsThePassSendsAreAnswered) {
  CaptureDevice device(HotDrive(40));
  EXPECT_TRUE(device.Identify(0, false));
  // A packet-device identify to an ATA position, a position beyond 3, a
  // position the capture has nothing for: a drive would refuse them all.
  EXPECT_FALSE(device.Identify(0, true));
  EXPECT_FALSE(device.SmartData(4));
  EXPECT_FALSE(device.SmartData(-1));
  EXPECT_FALSE(device.CheckPowerMode(4));
  EXPECT_TRUE(device.EnableSmart(0));
  EXPECT_FALSE(device.EnableSmart(1));
  EXPECT_FALSE(device.EnableSmart(4));
}
