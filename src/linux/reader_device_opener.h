#pragma once
// Drives read through taruk-smart-reader, for a monitor that runs without the
// privileges S.M.A.R.T. needs. One reader serves the opener's whole life
// (linux/reader_process.h). A pass asks it for all its drives at once (it
// opens, reads and closes each device, as one pass does); each open then
// answers from the capture the reader sent for that drive, as a replayed
// capture is answered.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"
#include "linux/reader_process.h"
#include "linux/whole_disks.h"

namespace taruk {

// The reader's own device requests are bounded; this bounds one drive's pass.
constexpr int kReaderTimeoutMs = 30000;

// "taruk: LINE" on stderr.
void LogReaderLine(const std::string& line);

class ReaderDeviceOpener : public DeviceOpener {
 public:
  // `readerPath` empty: no reader is installed, and every disk says so.
  // `stopFd`: a stop request ends a reader's run at once (core/base/stop_request.h).
  // `log`: the reader's restarts, one line each.
  explicit ReaderDeviceOpener(std::string readerPath, std::string sysBlock = "/sys/block",
                              int timeoutMs = kReaderTimeoutMs, int stopFd = -1,
                              std::function<void(const std::string&)> log = LogReaderLine);

  // Every whole disk /sys/block lists; listing needs no privilege.
  std::vector<int> DriveNumbers() override;
  // "/dev/sdc"
  std::string DeviceName(int driveNumber) const override;
  // A sleeping drive identified, not woken.
  std::unique_ptr<SmartDevice> Open(int driveNumber) override;
  // The reader is told what the pass will do with a sleeping drive, since it
  // is the reader that sends the commands.
  std::unique_ptr<SmartDevice> OpenForPass(int driveNumber, SleepingDrive rule) override;
  // Asks the reader for the pass's drives in one go.
  void PlanPass(const std::vector<std::pair<int, SleepingDrive>>& drives) override;
  std::string Problem(int driveNumber) const override;

  const ReaderProcess& Reader() const { return reader_; }

 private:
  std::string readerPath_;
  std::string sysBlock_;
  int timeoutMs_;
  ReaderProcess reader_;
  std::map<int, std::string> problems_;
  // Lists the disks for DriveNumbers, each looked at once while listed.
  WholeDiskList list_;
  // The disks as the last DriveNumbers listed them.
  std::vector<std::string> disks_;
  // The answers PlanPass got, each with the rule it asked with, until the
  // pass opens the drive or the next pass begins.
  std::map<int, std::pair<SleepingDrive, ReaderAnswer>> planned_;
};

}  // namespace taruk
