#include "core/monitor/drive_numbering.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/capture/drive_capture.h"
#include "core/capture/replay_device_opener.h"
#include "core/drive/drive_id.h"
#include "core/monitor/history.h"
#include "core/monitor/monitoring_cycle.h"
#include "support/pages.h"
#include "support/quiet_machine.h"
#include "support/recording_platform.h"
#include "support/scratch_dir.h"

using namespace taruk;

namespace {

// A drive as it answers: its identity, its temperature (unique per drive,
// so that a history shows whose samples it holds) and its pending sectors.
struct TestDrive {
  std::string model;
  std::string serial;
  uint8_t temperature;
  uint8_t pending = 0;
  uint64_t wwn = 0;
};

const std::map<char, TestDrive> kDrives = {
    {'A', {"ST380011A", "A1", 31}},         {'B', {"WDC WD800JB-00JJC0", "B1", 32}},
    {'C', {"Maxtor 6Y080P0", "C1", 33, 3}}, {'D', {"ST3160023A", "D1", 34, 2, 0x5000c500a1b2c3d4}},
    {'E', {"IC35L060AVV207-0", "E1", 35}},  {'F', {"ST3500418AS", "F1", 36, 1}},
    {'a', {"ST380011A", "A1", 37}},  // a clone of A: same model and serial number
};

DriveCapture CaptureOf(const TestDrive& drive) {
  DriveCapture capture;
  capture.deviceMap = 0x01;
  capture.geometry = DriveGeometry{9729, 255, 63, 512};
  capture.enable[0] = true;
  Page identify = IdentifyPage(drive.model, "1.0", drive.serial);
  for (int word = 0; word < 4; ++word) {
    const auto value = static_cast<uint16_t>(drive.wwn >> (16 * (3 - word)));
    identify[2 * (108 + word)] = static_cast<uint8_t>(value);
    identify[2 * (108 + word) + 1] = static_cast<uint8_t>(value >> 8);
  }
  capture.identify[0] = identify;
  capture.smartData[0] = AttributePage({{0, 194, 100, 100, {drive.temperature}}, {1, 197, 100, 100, {drive.pending}}});
  capture.smartThresholds[0] = ThresholdPage({{0, 194, 0}, {1, 197, 0}});
  return capture;
}

// Whose slot it is, from the temperature only that drive reports.
char OwnerOf(const DriveSlot& slot) {
  if (!slot.assigned) return '.';
  for (const auto& [name, drive] : kDrives) {
    if (drive.temperature == slot.temperature) return name;
  }
  return '?';
}

struct Pass {
  const char* what;
  std::string placed;    // the drive at each system number, '-' for none
  std::string owners;    // the drive each slot holds, '.' for none
  std::string answered;  // 1 for each slot whose drive opened
  std::string alarmed;   // slots whose health alarm spoke in this pass, as digits
};

TEST(DriveNumbering, DrivesKeepTheirNumbersHistoriesAndHealthMemoryWhereverTheSystemPutsThem) {
  const Pass passes[] = {
      {"start: numbers in the system's order", "ABC", "ABC.", "1110", "2"},
      {"a drive added takes the next free number", "ABCD", "ABCD", "1111", "3"},
      {"one unplugged keeps its slot; those after it move up and keep theirs", "ACD", "ABCD", "1011", ""},
      {"a new drive and the old one come back at other places", "ACDEB", "ABCDE", "11111", ""},
      {"another drive in C's place is a new drive; C keeps its slot", "AFDEB", "ABCDEF", "110111", "5"},
      {"a clone of A is not A: the next number, its id marked", "AFDEBa", "ABCDEFa", "1101111", ""},
      {"the system reorders the others", "ABEDFa", "ABCDEFa", "1101111", ""},
      {"C comes back after a gap in the system's numbers", "ABEDFa-C", "ABCDEFa", "1111111", ""},
  };

  ScratchDir folder;
  ReplayDeviceOpener opener(folder.path());
  NoVolumes volumes;
  FixedClock clock;
  RecordingPlatform platform;
  DriveSlots slots;
  MonitorConfig config;
  MonitorCore core(slots, config, {opener, volumes, clock, platform});
  ResetHistory(slots, clock);

  for (const Pass& pass : passes) {
    SCOPED_TRACE(pass.what);
    for (int n = 0; n < 10; ++n) std::remove(opener.PathOf(n).c_str());
    for (size_t n = 0; n < std::string(pass.placed).size(); ++n) {
      if (pass.placed[n] == '-') continue;
      ASSERT_TRUE(
          WriteFileBytes(opener.PathOf(static_cast<int>(n)), FormatCapture(CaptureOf(kDrives.at(pass.placed[n])))));
    }
    platform.calls.clear();
    ++clock.minute;
    core.RunMonitoringCycle();

    std::string owners;
    std::string answered;
    for (size_t n = 0; n < slots.size(); ++n) {
      owners += OwnerOf(slots[n]);
      answered += core.Answered(static_cast<int>(n)) ? '1' : '0';
    }
    EXPECT_EQ(owners, pass.owners);
    EXPECT_EQ(answered, pass.answered);
    std::string alarmed;
    for (const std::wstring& call : platform.calls) {
      if (call.find(L"health") != std::wstring::npos) alarmed += static_cast<char>(call[call.find(L"|HD") + 3]);
    }
    EXPECT_EQ(alarmed, pass.alarmed);
    // Each slot's history holds its own drive's temperature and nothing else.
    for (const DriveSlot& slot : slots) {
      for (const uint32_t sample : slot.minuteHistory) {
        if (sample != 0) {
          EXPECT_EQ(sample, slot.temperature) << OwnerOf(slot);
        }
      }
    }
  }

  EXPECT_EQ(slots[0].id, "ata-ST380011A_A1");
  EXPECT_EQ(slots[6].id, "ata-ST380011A_A1#2");
  EXPECT_EQ(slots[1].id, "ata-WDC_WD800JB-00JJC0_B1");
  EXPECT_EQ(slots[3].id, "wwn-0x5000c500a1b2c3d4");
  // Where each one is now.
  EXPECT_EQ(slots[2].device, "drive7.capture");
  EXPECT_EQ(slots[2].systemNumber, 7);
  EXPECT_EQ(slots[6].device, "drive5.capture");
}

TEST(DriveNumbering, PastTheLastSlotADriveIsNotReadAndSaysSo) {
  ScratchDir folder;
  ReplayDeviceOpener opener(folder.path());
  for (int n = 0; n <= kMostDrives; ++n) {
    TestDrive drive{"ST380011A", "S" + std::to_string(n), 40};
    ASSERT_TRUE(WriteFileBytes(opener.PathOf(n), FormatCapture(CaptureOf(drive))));
  }
  DriveSlots slots;
  const DrivePass pass = ReadEveryDrive(opener, slots);
  ASSERT_EQ(slots.size(), static_cast<size_t>(kMostDrives));
  ASSERT_EQ(pass.found.size(), static_cast<size_t>(kMostDrives) + 1);
  EXPECT_EQ(pass.found.back().slot, -1);
  EXPECT_EQ(pass.found.back().problem, NotWatchedProblem(opener.DeviceName(kMostDrives)));
  EXPECT_EQ(slots.back().id, "ata-ST380011A_S" + std::to_string(kMostDrives - 1));
}

TEST(DriveId, TheByIdFormOfWhatTheDriveReports) {
  struct Case {
    DriveBus bus;
    std::wstring model;
    std::wstring serial;
    uint64_t wwn;
    std::string id;
  } cases[] = {
      {DriveBus::Ata, L"ST3160023A                              ", L"        5MT0XXXX", 0, "ata-ST3160023A_5MT0XXXX"},
      {DriveBus::Ata, L"ST3160023A", L"5MT0", 0x5000c500a1b2c3d4, "wwn-0x5000c500a1b2c3d4"},
      {DriveBus::Nvme, L"WD_BLACK SN770 1TB", L"22XXXX", 0, "nvme-WD_BLACK_SN770_1TB_22XXXX"},
      {DriveBus::Nvme, L"QEMU NVMe Ctrl", L"nv1", 0x5000c500a1b2c3d4, "nvme-QEMU_NVMe_Ctrl_nv1"},
      {DriveBus::Ata, L"WDC  WD800/JB\u00e9", L"a\tb", 0, "ata-WDC_WD800_JB__a_b"},
      {DriveBus::Ata, L"   ", L"", 0, ""},
  };
  for (const Case& c : cases) {
    DriveSlot slot;
    slot.bus = c.bus;
    slot.model = c.model;
    slot.serialNumber = c.serial;
    slot.wwn = c.wwn;
    EXPECT_EQ(DriveBaseId(slot), c.id);
  }
}

}  // namespace
