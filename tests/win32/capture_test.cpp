// Captures written on Windows are the Linux files byte for byte: line ends
// included, through the same writer taruk.exe --capture uses. With
// TARUK_CAPTURE_OUT set, the files are left there for the Linux taruk to
// replay (tests/windows/console_modes.sh).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/base/atomic_file.h"
#include "core/base/small_text_file.h"
#include "core/capture/drive_capture.h"
#include "core/capture/recording_device.h"
#include "core/capture/replay_device_opener.h"
#include "core/drive/drive_slot.h"

namespace taruk {
namespace {

TEST(Win32Capture, TheDemoDrivesCapturedHereReadBackUnchanged) {
  const char* out = std::getenv("TARUK_CAPTURE_OUT");
  const std::filesystem::path folder =
      out ? std::filesystem::path(out) : std::filesystem::temp_directory_path() / "taruk-win32-capture-test";
  std::filesystem::create_directories(folder);

  ReplayDeviceOpener demo(TARUK_DEMO_DIR);
  for (int n = 0; n < kDiskButtonCount; ++n) {
    std::unique_ptr<SmartDevice> device = demo.OpenForPass(n, SleepingDrive::Identify);
    ASSERT_TRUE(device) << demo.Problem(n);
    const DriveCapture capture = CaptureDrive(*device, SleepingDrive::Identify);
    const std::string text = "# physical drive " + std::to_string(n) + ", taruk --capture\n" + FormatCapture(capture);
    const std::string path = (folder / ("drive" + std::to_string(n) + ".capture")).string();
    ASSERT_TRUE(ReplaceFileAtomically(path, text, 0644)) << path;

    std::string written, error;
    ASSERT_EQ(ReadSmallTextFile(path, 1 << 20, written, error), SmallFileStatus::Read) << error;
    EXPECT_EQ(written, text) << "written as other bytes than given (line ends?)";
    DriveCapture back;
    ASSERT_TRUE(ParseCapture(written, path, back, error)) << error;
    EXPECT_EQ(back, capture);
  }
  if (!out) std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace taruk
