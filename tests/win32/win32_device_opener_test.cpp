#include <windows.h>

#include "win32/win32_device_opener.h"

#include <gtest/gtest.h>

#include "core/capture/capture_file.h"
#include "core/capture/replay_device_opener.h"
#include "core/drive/read_drive_info.h"
#include "core/monitor/drive_numbering.h"
#include "fake_devices.h"
#include "win32/live_drives.h"
#include "win32/win32_device_system.h"

using namespace taruk;

namespace {

using Opens = std::vector<std::pair<std::wstring, DeviceAccess>>;

DriveCapture DemoCapture(int driveNumber) {
  DriveCapture capture;
  std::string error;
  EXPECT_EQ(ReadCaptureFile(ReplayDeviceOpener(TARUK_DEMO_DIR).PathOf(driveNumber), capture, error),
            CaptureFileStatus::Loaded)
      << error;
  return capture;
}

bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

}  // namespace

TEST(Win32DriveOpener, OpensPhysicalDrivesForReadingAndSaysWhyNot) {
  const std::wstring drive1 = L"\\\\.\\PhysicalDrive1";
  struct Row {
    const char* what;
    uint32_t readWriteError, queryOnlyError;
    bool opens;
    Opens tried;
    const char* problem;  // how Problem begins after the pass; empty: no problem
  };
  const Row rows[] = {
      {"an administrator",
       0,
       0,
       true,
       {{drive1, DeviceAccess::ReadWrite}},
       "\\\\.\\PhysicalDrive1: the drive's driver does not pass S.M.A.R.T. requests"},
      // Without the rights to send S.M.A.R.T. requests the drive still opens
      // for queries, and the refused version request says what is missing.
      {"a user",
       ERROR_ACCESS_DENIED,
       0,
       true,
       {{drive1, DeviceAccess::ReadWrite}, {drive1, DeviceAccess::QueryOnly}},
       "\\\\.\\PhysicalDrive1: access denied: reading S.M.A.R.T. needs administrator rights"},
      {"a user refused even queries",
       ERROR_ACCESS_DENIED,
       ERROR_ACCESS_DENIED,
       false,
       {{drive1, DeviceAccess::ReadWrite}, {drive1, DeviceAccess::QueryOnly}},
       "\\\\.\\PhysicalDrive1: access denied: reading S.M.A.R.T. needs administrator rights"},
      {"a drive held by another program",
       ERROR_SHARING_VIOLATION,
       0,
       false,
       {{drive1, DeviceAccess::ReadWrite}},
       "\\\\.\\PhysicalDrive1: "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    auto system = std::make_unique<FakeDeviceSystem>();
    FakeDeviceSystem& fake = *system;
    // A user's handle is refused the S.M.A.R.T. requests; an
    // administrator's reaches a driver that has none (as under Wine).
    fake.drives[drive1] = {row.readWriteError, row.queryOnlyError,
                           Refusing(row.readWriteError ? ERROR_ACCESS_DENIED : ERROR_NOT_SUPPORTED)};
    Win32DeviceOpener opener(std::move(system));
    DriveSlot slot;
    ReadDriveInfo(opener, 1, slot);
    EXPECT_FALSE(slot.IsPresent());
    EXPECT_EQ(fake.opens, row.tried);
    EXPECT_TRUE(opener.Problem(1).starts_with(row.problem)) << opener.Problem(1);
    EXPECT_FALSE(opener.Problem(1).empty());
    if (row.readWriteError == ERROR_SHARING_VIOLATION) {
      EXPECT_TRUE(opener.Problem(1).ends_with("(error 32)")) << opener.Problem(1);
    }
  }

  // No such drive, and numbers beyond the four: nothing opens, nothing to say.
  Win32DeviceOpener none(std::make_unique<FakeDeviceSystem>());
  for (int number : {0, 3, 4, -1}) {
    EXPECT_EQ(none.Open(number), nullptr);
    EXPECT_EQ(none.Problem(number), "");
  }
}

TEST(Win32DriveOpener, TheDemoDrivesReadAsTheirCapturesReplay) {
  // An NVMe drive, two ATA disks and a DVD writer beside a disk: through the
  // control codes each fills the same slot as the replay of its capture.
  for (int number = 0; number < kDiskButtonCount; ++number) {
    SCOPED_TRACE(number);
    const DriveCapture capture = DemoCapture(number);
    auto system = std::make_unique<FakeDeviceSystem>();
    system->drives[PhysicalDrivePath(number)].answer = CaptureAnswers(capture);
    Win32DeviceOpener opener(std::move(system));
    ReplayDeviceOpener replay(TARUK_DEMO_DIR);

    DriveSlot viaWindows;
    DriveSlot viaReplay;
    ReadDriveInfo(opener, number, viaWindows);
    ReadDriveInfo(replay, number, viaReplay);
    EXPECT_TRUE(viaWindows.IsPresent());
    EXPECT_FALSE(viaWindows.model.empty());
    EXPECT_EQ(viaWindows, viaReplay);
    EXPECT_EQ(opener.Problem(number), "");
  }
}

TEST(Win32DriveOpener, UnderWineTheLiveDrivesSayWhyTheyCannotBeRead) {
  if (!UnderWine()) GTEST_SKIP() << "Wine's drives answer no S.M.A.R.T. request; a real Windows drive may";
  // Wine opens \\.\PhysicalDrive0 (a made-up disk) and refuses
  // SMART_GET_VERSION with ERROR_NOT_SUPPORTED.
  const std::unique_ptr<DeviceOpener> opener = MakeLiveDeviceOpener();
  DriveSlots slots = DriveSlots(kDiskButtonCount);
  ReadEveryDrive(*opener, slots);
  EXPECT_FALSE(slots[0].IsPresent());
  const std::string problem = opener->Problem(0);
  EXPECT_TRUE(problem.starts_with("\\\\.\\PhysicalDrive0: ")) << problem;
  EXPECT_TRUE(problem.ends_with("(error 50)")) << problem;
  // Wine calls its disk a SCSI disk (BusTypeScsi) and refuses the SCSI
  // pass-through too (error 50): the complaint stays. Its device tree has
  // no disk interface, so no USB device is found above the disk.
  Win32DeviceSystem system;
  EXPECT_EQ(system.UsbBridgeOf(PhysicalDrivePath(0)), std::nullopt);
  EXPECT_EQ(system.UsbBridgeOf(PhysicalDrivePath(kProbedPhysicalDrives)), std::nullopt);
}
