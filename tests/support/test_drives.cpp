#include "support/test_drives.h"

#include "support/pages.h"
#include "support/scripted_device.h"

struct TestDrives::State {
  ScriptedOpener opener;
};

TestDrives::TestDrives() : state(std::make_unique<State>()) {}
TestDrives::~TestDrives() = default;

void TestDrives::Set(int driveNumber, const std::string& model, uint8_t temperature) {
  ScriptedDevice device;
  device.pages["identify 0"] = IdentifyPage(model, "1.0", "SERIAL" + std::to_string(driveNumber));
  device.pages["read-data 0"] = AttributePage({{0, 194, 100, 100, {temperature}}, {1, 9, 100, 100, {0x10}}});
  device.pages["read-thresholds 0"] = ThresholdPage({{0, 194, 0}, {1, 9, 0}});
  state->opener.drives[driveNumber] = device;
}

void TestDrives::Remove(int driveNumber) { state->opener.drives.erase(driveNumber); }

DeviceOpener& TestDrives::Opener() { return state->opener; }
