#include "support/test_drives.h"

#include <cstdio>

#include "core/capture/drive_capture.h"
#include "core/capture/replay_device_opener.h"
#include "support/pages.h"
#include "support/scratch_dir.h"

namespace taruk {

// Each drive is a capture file that the replay device reads afresh at every
// pass, so a test rewrites the file between cycles as a drive would change.
struct TestDrives::State {
  ScratchDir folder;
  ReplayDeviceOpener opener{folder.path()};
};

TestDrives::TestDrives() : state(std::make_unique<State>()) {}
TestDrives::~TestDrives() = default;

void TestDrives::Set(int driveNumber, const std::string& model, uint8_t temperature, std::optional<uint8_t> powerMode) {
  DriveCapture capture;
  capture.deviceMap = 0x01;
  capture.powerMode[0] = powerMode;
  capture.geometry = DriveGeometry{9729, 255, 63, 512};
  capture.enable[0] = true;
  capture.identify[0] = IdentifyPage(model, "1.0", "SERIAL" + std::to_string(driveNumber));
  capture.smartData[0] = AttributePage({{0, 194, 100, 100, {temperature}}, {1, 9, 100, 100, {0x10}}});
  capture.smartThresholds[0] = ThresholdPage({{0, 194, 0}, {1, 9, 0}});
  WriteFileBytes(state->opener.PathOf(driveNumber), FormatCapture(capture));
}

void TestDrives::Remove(int driveNumber) { std::remove(state->opener.PathOf(driveNumber).c_str()); }

DeviceOpener& TestDrives::Opener() { return state->opener; }

}  // namespace taruk
