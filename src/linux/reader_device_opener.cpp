#include "linux/reader_device_opener.h"

#include <string.h>

#include <optional>
#include <vector>

#include "linux/child_process.h"
#include "linux/linux_device_opener.h"
#include "linux/reader_location.h"
#include "linux/whole_disks.h"
#include "core/capture/capture_device.h"
#include "core/capture/drive_capture.h"

namespace taruk {

namespace {

// The reader's exit codes.
constexpr int kCaptured = 0;
constexpr int kNotOpened = 1;
constexpr int kNoSuchDrive = 3;

// A capture of four positions is about 14 KB; anything far beyond is not one.
constexpr std::size_t kMaxReaderOutput = 256 * 1024;
constexpr std::size_t kMaxProblemLength = 300;

// The first line of what the reader said, printable characters only, so
// that nothing it writes can garble the report it ends up in.
std::string FirstLine(const std::string& text) {
  std::string line;
  for (char c : text) {
    if (c == '\n' || line.size() >= kMaxProblemLength) break;
    const unsigned char u = static_cast<unsigned char>(c);
    line += (u >= 0x20 && u != 0x7F) ? c : '?';
  }
  return line;
}

std::string DurationText(int milliseconds) {
  if (milliseconds % 1000 == 0) return std::to_string(milliseconds / 1000) + " s";
  return std::to_string(milliseconds) + " ms";
}

}  // namespace

ReaderDeviceOpener::ReaderDeviceOpener(std::string readerPath, std::string sysBlock, int timeoutMs, int stopFd)
    : readerPath_(std::move(readerPath)), sysBlock_(std::move(sysBlock)), timeoutMs_(timeoutMs), stopFd_(stopFd) {}

std::unique_ptr<SmartDevice> ReaderDeviceOpener::Open(int driveNumber) {
  return OpenForPass(driveNumber, SleepingDrive::Identify);
}

std::vector<int> ReaderDeviceOpener::DriveNumbers() {
  disks_ = ListWholeDisks(sysBlock_);
  return DiskNumbers(disks_);
}

std::string ReaderDeviceOpener::DeviceName(int driveNumber) const { return ListedDiskNode(disks_, driveNumber); }

std::unique_ptr<SmartDevice> ReaderDeviceOpener::OpenForPass(int driveNumber, SleepingDrive rule) {
  if (driveNumber < 0) return nullptr;
  std::string& problem = problems_[driveNumber];
  problem.clear();
  // Listing the disks needs no privilege: only drives that exist are worth
  // running the reader for, or complaining about.
  const std::optional<std::string> name = PassDiskName(disks_, driveNumber, sysBlock_);
  if (!name) return nullptr;
  const std::string device = "/dev/" + *name;
  if (readerPath_.empty() && name->starts_with("nvme")) {
    // An NVMe drive's identity, size and temperature need no privilege:
    // sysfs gives them to anyone, with no reader.
    LinuxDeviceOpener direct(std::string(kNeedsPrivilegeHint) + " (no " + kReaderName +
                                 " beside taruk or in ../libexec/taruk)",
                             sysBlock_);
    std::unique_ptr<SmartDevice> sysfs = direct.Open(driveNumber);
    problem = direct.Problem(driveNumber);
    return sysfs;
  }
  if (readerPath_.empty()) {
    problem = device + ": " + kNeedsPrivilegeHint + " (no " + kReaderName + " beside taruk or in ../libexec/taruk)";
    return nullptr;
  }

  std::vector<std::string> arguments = {kReaderName, std::to_string(driveNumber)};
  if (rule == SleepingDrive::Leave) arguments.push_back("leave");
  if (rule == SleepingDrive::Wake) arguments.push_back("wake");
  const ChildResult run = RunChild(readerPath_, arguments, timeoutMs_, kMaxReaderOutput, stopFd_);
  if (run.startError != 0) {
    problem = device + ": cannot run " + readerPath_ + ": " + strerror(run.startError);
    return nullptr;
  }
  if (run.stopped) {
    problem = device + ": not read: taruk is stopping";
    return nullptr;
  }
  if (run.timedOut) {
    problem = device + ": " + kReaderName + " did not finish within " + DurationText(timeoutMs_);
    return nullptr;
  }
  if (run.outputTooLong) {
    problem = device + ": " + kReaderName + " wrote more than a capture holds";
    return nullptr;
  }
  if (run.signal != 0) {
    problem = device + ": " + kReaderName + " was ended by signal " + std::to_string(run.signal);
    return nullptr;
  }
  if (run.exitCode == kNoSuchDrive) return nullptr;
  if (run.exitCode != kCaptured) {
    const std::string said = FirstLine(run.err);
    if (run.exitCode == kNotOpened && !said.empty()) {
      problem = said;
    } else {
      problem = device + ": " + kReaderName + " failed (exit code " + std::to_string(run.exitCode) + ")" +
                (said.empty() ? "" : ": " + said);
    }
    return nullptr;
  }

  DriveCapture capture;
  std::string error;
  if (!ParseCapture(run.out, std::string(kReaderName) + " " + std::to_string(driveNumber), capture, error)) {
    problem = device + ": " + error;
    return nullptr;
  }
  // The drive opened; the reader may still say why it could not be read.
  problem = FirstLine(run.err);
  return std::make_unique<CaptureDevice>(std::move(capture));
}

std::string ReaderDeviceOpener::Problem(int driveNumber) const {
  const auto found = problems_.find(driveNumber);
  return found == problems_.end() ? std::string() : found->second;
}

}  // namespace taruk
