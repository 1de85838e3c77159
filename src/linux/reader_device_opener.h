#pragma once
// Drives read through taruk-smart-reader, for a monitor that runs without the
// privileges S.M.A.R.T. needs. Each open runs the reader once for that drive
// (it opens, reads and closes the device, as one pass does) and answers the
// pass from the capture it printed, parsed as a replayed capture is.

#include <map>
#include <vector>
#include <memory>
#include <string>

#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"

namespace taruk {

// The reader's own device requests are bounded; this bounds the whole run.
constexpr int kReaderTimeoutMs = 30000;

class ReaderDeviceOpener : public DeviceOpener {
 public:
  // `readerPath` empty: no reader is installed, and every disk says so.
  // `stopFd`: a stop request ends a reader's run at once (core/base/stop_request.h).
  explicit ReaderDeviceOpener(std::string readerPath, std::string sysBlock = "/sys/block",
                              int timeoutMs = kReaderTimeoutMs, int stopFd = -1);

  // Every whole disk /sys/block lists; listing needs no privilege.
  std::vector<int> DriveNumbers() override;
  // "/dev/sdc"
  std::string DeviceName(int driveNumber) const override;
  // A sleeping drive identified, not woken.
  std::unique_ptr<SmartDevice> Open(int driveNumber) override;
  // The reader is told what the pass will do with a sleeping drive, since it
  // is the reader that sends the commands.
  std::unique_ptr<SmartDevice> OpenForPass(int driveNumber, SleepingDrive rule) override;
  std::string Problem(int driveNumber) const override;

 private:
  std::string readerPath_;
  std::string sysBlock_;
  int timeoutMs_;
  int stopFd_;
  std::map<int, std::string> problems_;
  // The disks as the last DriveNumbers listed them.
  std::vector<std::string> disks_;
};

}  // namespace taruk
