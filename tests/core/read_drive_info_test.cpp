#include "core/drive/read_drive_info.h"

#include <gtest/gtest.h>

#include "core/monitor/drive_numbering.h"
#include "support/pages.h"
#include "support/scripted_device.h"

using namespace taruk;

namespace {

using Log = std::vector<std::string>;

// A drive at position 0 that answers everything: 8 GB, 45 degrees, 300 hours.
ScriptedDevice HealthyDrive() {
  ScriptedDevice drive;
  drive.pages["identify 0"] = IdentifyPage("ST380011A", "3.06", "5JV1ABCD");
  drive.pages["read-data 0"] = AttributePage({{0, 9, 99, 99, {0x2C, 0x01}}, {3, 194, 45, 60, {0x2D, 0, 0x14}}});
  drive.pages["read-thresholds 0"] = ThresholdPage({{0, 9, 0}, {3, 194, 12}});
  return drive;
}

// A slot that already holds values from an earlier pass.
DriveSlot EarlierSlot() {
  DriveSlot slot;
  slot.cylinders = 1;
  slot.tracksPerCylinder = 2;
  slot.sectorsPerTrack = 3;
  slot.bytesPerSector = 4;
  slot.idCylinders = 5;
  slot.model = L"OLD MODEL";
  slot.firmware = L"OLD FW";
  slot.serialNumber = L"OLD SERIAL";
  slot.capacityGb = 7;
  slot.capacityMb = 77;
  slot.attributes[0] = {9, 50, 40, 30, {1, 2, 3, 4, 5, 6}};
  slot.attributes[3] = {194, 20, 10, 5, {33}};
  slot.temperature = 33;
  slot.powerOnHours = 1234;
  slot.minuteHistory[0] = 33;
  return slot;
}

DriveSlot Read(ScriptedOpener& opener, DriveSlot slot = {}) {
  ReadDriveInfo(opener, 0, slot);
  return slot;
}

}  // namespace

TEST(ReadingPass, ADriveThatDoesNotOpenOrRefusesTheVersionStaysAsItWas) {
  ScriptedOpener noDrive;
  EXPECT_FALSE(Read(noDrive).IsPresent());
  EXPECT_EQ(Read(noDrive, EarlierSlot()), EarlierSlot());

  // Opened, but the driver refuses the version request: closed at once and
  // never present, even though the geometry would have answered.
  ScriptedOpener refuses;
  refuses.drives[0] = HealthyDrive();
  refuses.drives[0].versionAnswers = false;
  int closes = 0;
  refuses.drives[0].closedCounter = &closes;
  EXPECT_FALSE(Read(refuses).IsPresent());
  EXPECT_EQ(refuses.lastLog, Log{"version"});
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(Read(refuses, EarlierSlot()), EarlierSlot());
}

TEST(ReadingPass, AFailedGeometryKeepsTheOldCapacityAndTheRestGoesOn) {
  ScriptedOpener opener;
  opener.drives[0] = HealthyDrive();
  opener.drives[0].geometryAnswers = false;
  const DriveSlot slot = Read(opener, EarlierSlot());
  EXPECT_EQ(slot.cylinders, 1);
  EXPECT_EQ(slot.bytesPerSector, 4u);
  EXPECT_EQ(slot.capacityGb, 7);
  EXPECT_EQ(slot.capacityMb, 77);
  EXPECT_EQ(slot.firmware, L"3.06    ");
  EXPECT_EQ(slot.temperature, 45u);

  // A drive never read before and without geometry is identified but absent.
  EXPECT_FALSE(Read(opener).IsPresent());
}

TEST(ReadingPass, DeviceMapZeroIsPresentWithEmptyTexts) {
  ScriptedOpener opener;
  opener.drives[0] = HealthyDrive();
  opener.drives[0].deviceMap = 0;
  int closes = 0;
  opener.drives[0].closedCounter = &closes;
  const DriveSlot slot = Read(opener);
  EXPECT_EQ(opener.lastLog, (Log{"version", "geometry"}));
  EXPECT_EQ(closes, 1);
  // The geometry answer's four fields, and the capacity computed from them.
  EXPECT_EQ(slot.cylinders, 16383);
  EXPECT_EQ(slot.tracksPerCylinder, 16u);
  EXPECT_EQ(slot.sectorsPerTrack, 63u);
  EXPECT_EQ(slot.bytesPerSector, 512u);
  EXPECT_EQ(slot.capacityGb, 8);
  EXPECT_EQ(slot.capacityMb, 455);
  EXPECT_EQ(slot.model, L"");
  EXPECT_EQ(slot.serialNumber, L"");
  EXPECT_EQ(slot.firmware, L"");
  EXPECT_EQ(slot.attributes[0].id, 0);
}

TEST(ReadingPass, AnAtapiPositionIsIdentifiedAsAPacketDeviceOnly) {
  ScriptedOpener opener;
  ScriptedDevice& drive = opener.drives[0];
  drive.deviceMap = 0x02 | 0x20;  // position 1, ATAPI
  drive.pages["identify-packet 1"] = IdentifyPage("HL-DT-ST DVDRAM GSA-H42N", "RL00", "K3M7");
  drive.pages["identify 1"] = IdentifyPage("WRONG COMMAND", "", "");
  drive.pages["read-data 1"] = AttributePage({{0, 194, 1, 1, {99}}});
  const DriveSlot slot = Read(opener);
  EXPECT_EQ(opener.lastLog, (Log{"version", "geometry", "identify-packet 1"}));
  EXPECT_EQ(slot.model.substr(0, 24), L"HL-DT-ST DVDRAM GSA-H42N");
  EXPECT_EQ(slot.temperature, 0u);
}

TEST(ReadingPass, OfTwoMarkedPositionsTheHigherOneStands) {
  ScriptedOpener opener;
  ScriptedDevice& drive = opener.drives[0];
  drive.deviceMap = 0x05;  // positions 0 and 2
  drive.pages["identify 0"] = IdentifyPage("FIRST", "F1", "S1", 100);
  drive.pages["identify 2"] = IdentifyPage("SECOND", "F2", "S2", 200);
  drive.pages["read-data 0"] =
      AttributePage({{0, 1, 100, 100, {}}, {1, 194, 100, 100, {30}}, {2, 9, 100, 100, {10}}, {3, 12, 100, 100, {5}}});
  drive.pages["read-thresholds 0"] = ThresholdPage({{0, 1, 11}});
  drive.pages["read-data 2"] = AttributePage({{0, 5, 90, 90, {}}, {1, 194, 90, 90, {40}}});
  drive.pages["read-thresholds 2"] = ThresholdPage({{0, 5, 22}});
  const DriveSlot slot = Read(opener);
  EXPECT_EQ(opener.lastLog,
            (Log{"version", "geometry", "power-mode 0", "enable 0", "identify 0", "power-mode 2", "enable 2",
                 "identify 2", "read-data 0", "read-thresholds 0", "read-data 2", "read-thresholds 2"}));
  EXPECT_EQ(slot.model.substr(0, 6), L"SECOND");
  EXPECT_EQ(slot.idCylinders, 200);
  EXPECT_EQ(slot.temperature, 40u);
  EXPECT_EQ(slot.attributes[0], (SmartAttributeEntry{5, 90, 90, 22, {}}));
  // Entries the later position leaves empty keep the earlier position's.
  EXPECT_EQ(slot.attributes[3].id, 12);
  EXPECT_EQ(slot.powerOnHours, 10u);
}

TEST(ReadingPass, AFailedEnableStillIdentifiesButReadsNoPages) {
  ScriptedOpener opener;
  opener.drives[0] = HealthyDrive();
  opener.drives[0].refused = {"enable 0"};
  const DriveSlot slot = Read(opener, EarlierSlot());
  EXPECT_EQ(opener.lastLog, (Log{"version", "geometry", "power-mode 0", "enable 0", "identify 0"}));
  EXPECT_EQ(slot.model.substr(0, 9), L"ST380011A");
  EXPECT_EQ(slot.attributes, EarlierSlot().attributes);
  EXPECT_EQ(slot.temperature, 33u);
}

TEST(ReadingPass, AFailedIdentifyKeepsTheOldIdentity) {
  ScriptedOpener opener;
  opener.drives[0] = HealthyDrive();
  opener.drives[0].refused = {"identify 0"};
  const DriveSlot slot = Read(opener, EarlierSlot());
  EXPECT_EQ(slot.model, L"OLD MODEL");
  EXPECT_EQ(slot.serialNumber, L"OLD SERIAL");
  EXPECT_EQ(slot.idCylinders, 5);
  EXPECT_EQ(slot.temperature, 45u);  // the pages are still read
}

TEST(ReadingPass, AFailedDataPageChangesNoSmartValue) {
  ScriptedOpener opener;
  opener.drives[0] = HealthyDrive();
  opener.drives[0].refused = {"read-data 0"};
  const DriveSlot slot = Read(opener, EarlierSlot());
  // The thresholds are not even asked for.
  EXPECT_EQ(opener.lastLog, (Log{"version", "geometry", "power-mode 0", "enable 0", "identify 0", "read-data 0"}));
  EXPECT_EQ(slot.attributes, EarlierSlot().attributes);
  EXPECT_EQ(slot.temperature, 33u);
  EXPECT_EQ(slot.powerOnHours, 1234u);
}

TEST(ReadingPass, FailedThresholdsStoreEveryThresholdAsZero) {
  ScriptedOpener opener;
  opener.drives[0] = HealthyDrive();
  opener.drives[0].refused = {"read-thresholds 0"};
  const DriveSlot slot = Read(opener, EarlierSlot());
  EXPECT_EQ(slot.attributes[0], (SmartAttributeEntry{9, 99, 99, 0, {0x2C, 0x01}}));
  EXPECT_EQ(slot.attributes[3], (SmartAttributeEntry{194, 45, 60, 0, {0x2D, 0, 0x14}}));
  EXPECT_EQ(slot.temperature, 45u);
}

TEST(ReadingPass, AVanishedDriveKeepsEveryValue) {
  ScriptedOpener opener;
  opener.drives[2] = HealthyDrive();
  DriveSlots slots = DriveSlots(kDiskButtonCount);
  ReadEveryDrive(opener, slots);
  EXPECT_FALSE(slots[0].IsPresent());
  ASSERT_TRUE(slots[2].IsPresent());
  const DriveSlot before = slots[2];

  opener.drives.erase(2);  // unplugged
  ReadEveryDrive(opener, slots);
  EXPECT_EQ(slots[2], before);

  opener.drives[2] = HealthyDrive();  // back, but its driver no longer answers
  opener.drives[2].versionAnswers = false;
  ReadEveryDrive(opener, slots);
  EXPECT_EQ(slots[2], before);
}

TEST(ReadingPass, ASleepingDriveIsAskedItsPowerModeAndNothingElseUntilItWakes) {
  ScriptedOpener opener;
  opener.drives[0] = HealthyDrive();
  opener.drives[0].powerModes[0] = 0x00;
  DriveSlot slot;

  // At start it is identified (answered without spinning up), not read.
  ReadDriveInfo(opener, 0, slot);
  EXPECT_EQ(opener.lastLog, (Log{"version", "geometry", "power-mode 0", "identify 0"}));
  EXPECT_TRUE(slot.IsPresent());
  EXPECT_EQ(slot.model.substr(0, 9), L"ST380011A");
  EXPECT_EQ(slot.temperature, 0u);
  EXPECT_EQ(slot.attributes[0].id, 0);
  EXPECT_EQ(slot.powerMode, PowerMode::Standby);

  // Every later pass: CHECK POWER MODE is the one ATA command (the version
  // and geometry are the driver's own answers), and the slot keeps all.
  slot = EarlierSlot();
  for (int tick = 0; tick < 2; ++tick) {
    ReadDriveInfo(opener, 0, slot);
    EXPECT_EQ(opener.lastLog, (Log{"version", "geometry", "power-mode 0"}));
    DriveSlot expected = EarlierSlot();
    expected.cylinders = 16383;  // the geometry answer, as every pass stores it
    expected.tracksPerCylinder = 16;
    expected.sectorsPerTrack = 63;
    expected.bytesPerSector = 512;
    expected.capacityGb = 8;
    expected.capacityMb = 455;
    expected.powerMode = PowerMode::Standby;
    EXPECT_EQ(slot, expected);
  }
  EXPECT_EQ(opener.rules,
            (std::vector<SleepingDrive>{SleepingDrive::Identify, SleepingDrive::Leave, SleepingDrive::Leave}));

  // Told to wake it, or once it answers anything but standby, the pass
  // reads in full; a drive or bridge that does not answer is read as well.
  const struct {
    std::optional<uint8_t> answer;
    bool wake;
    PowerMode mode;
  } reads[] = {{0x00, true, PowerMode::Standby},
               {0xFF, false, PowerMode::Active},
               {0x80, false, PowerMode::Active},
               {std::nullopt, false, PowerMode::Unknown}};
  for (const auto& read : reads) {
    SCOPED_TRACE(read.answer.value_or(0x100));
    opener.drives[0].powerModes.erase(0);
    if (read.answer) opener.drives[0].powerModes[0] = *read.answer;
    slot = EarlierSlot();
    ReadDriveInfo(opener, 0, slot, read.wake);
    EXPECT_EQ(opener.lastLog, (Log{"version", "geometry", "power-mode 0", "enable 0", "identify 0", "read-data 0",
                                   "read-thresholds 0"}));
    EXPECT_EQ(slot.temperature, 45u);
    EXPECT_EQ(slot.powerMode, read.mode);
  }
}
