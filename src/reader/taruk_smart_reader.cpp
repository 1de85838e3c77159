// taruk-smart-reader N [leave|wake]: reads physical drive N (0..999) the way
// one reading pass does and writes the drive's answers to standard output as
// capture text. It is installed with the capabilities that reading S.M.A.R.T.
// needs, so that the monitor itself can run without them; it therefore takes
// one drive number and nothing else but what the pass does with a drive
// that reports standby: by default it is identified only, with `leave` it is
// sent nothing more, with `wake` it is read as any other. No paths, no other
// options, and nothing from the environment decides what it opens.
//
// Exit codes (the monitor's ReaderDeviceOpener relies on them):
//   0  the capture is on standard output; a line on standard error, if any,
//      says why the drive could not be read (for example no ATA pass-through;
//      an NVMe drive that could not be opened is captured from sysfs)
//   1  the drive did not open; standard error says why
//   2  usage error
//   3  there is no drive N

#include <linux/capability.h>
#include <stdio.h>
#include <sys/prctl.h>

#include <memory>
#include <string>

#include "linux/linux_device_opener.h"
#include "linux/process_capabilities.h"
#include "core/capture/recording_device.h"
#include "core/capture/drive_capture.h"

namespace taruk {

namespace {

constexpr int kCaptured = 0;
constexpr int kNotOpened = 1;
constexpr int kUsage = 2;
constexpr int kNoSuchDrive = 3;

const char* const kReaderPermissionHint =
    "taruk-smart-reader lacks its capabilities (setcap cap_sys_rawio,cap_sys_admin,cap_dac_read_search=ep)";

// A drive number of one to three plain digits, no leading zero.
bool ParseDriveNumber(const char* text, int& driveNumber) {
  const std::string digits = text;
  if (digits.empty() || digits.size() > 3 || (digits.size() > 1 && digits[0] == '0')) return false;
  driveNumber = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    driveNumber = driveNumber * 10 + (c - '0');
  }
  return true;
}

// A drive number, then at most one of the two words.
bool ParseArguments(int argc, char** argv, int& driveNumber, SleepingDrive& rule) {
  if (argc < 2 || argc > 3 || !ParseDriveNumber(argv[1], driveNumber)) return false;
  rule = SleepingDrive::Identify;
  if (argc == 3) {
    const std::string word = argv[2];
    if (word == "leave") {
      rule = SleepingDrive::Leave;
    } else if (word == "wake") {
      rule = SleepingDrive::Wake;
    } else {
      return false;
    }
  }
  return true;
}

bool WriteAll(const std::string& text) {
  return fwrite(text.data(), 1, text.size(), stdout) == text.size() && fflush(stdout) == 0;
}

}  // namespace

// A reader that holds file capabilities is not dumpable, and the leak checker
// of a sanitized build cannot attach to it there; it still checks plain runs.
extern "C" int __lsan_is_turned_off() { return prctl(PR_GET_DUMPABLE) != 1; }

}  // namespace taruk

using namespace taruk;

int main(int argc, char** argv) {
  int driveNumber = 0;
  SleepingDrive rule = SleepingDrive::Identify;
  if (!ParseArguments(argc, argv, driveNumber, rule)) {
    fputs("usage: taruk-smart-reader N [leave|wake]   (N = physical drive number, 0 to 999)\n", stderr);
    return kUsage;
  }

  LinuxDeviceOpener opener(kReaderPermissionHint);
  std::unique_ptr<SmartDevice> device = opener.Open(driveNumber);
  if (!device) {
    const std::string problem = opener.Problem(driveNumber);
    if (problem.empty()) return kNoSuchDrive;
    fprintf(stderr, "%s\n", problem.c_str());
    return kNotOpened;
  }
  // The device is open: from here on only the commands need a privilege,
  // SG_IO CAP_SYS_RAWIO and the NVMe admin pass-through CAP_SYS_ADMIN. The
  // NVMe drive is sent only Identify Controller and Get Log Page.
  const int needed = device->Bus() == DriveBus::Nvme ? CAP_SYS_ADMIN : CAP_SYS_RAWIO;
  if (!KeepOnlyCapability(needed)) {
    fputs("taruk-smart-reader: cannot drop the capabilities it no longer needs\n", stderr);
    return kNotOpened;
  }

  const DriveCapture capture = CaptureDrive(*device, rule);
  device.reset();  // each pass closes the device

  const std::string problem = opener.Problem(driveNumber);
  if (!problem.empty()) fprintf(stderr, "%s\n", problem.c_str());
  std::string text = "# physical drive " + std::to_string(driveNumber) + ", read by taruk-smart-reader\n";
  text += FormatCapture(capture);
  if (!WriteAll(text)) return kNotOpened;
  return kCaptured;
}
