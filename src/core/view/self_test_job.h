#pragma once
// The Self-test dialog's talk with its drive, off the window's thread: a
// start or abort, then a fresh reading of the drive, so that the dialog
// shows at once what the drive made of it. The window opens the device (as
// its monitoring cycle does) and hands it over; it then looks for the
// result from its own timer and never waits for the drive. A dialog closed
// while its job runs leaves the job to end by itself, within the drive
// commands' own time-outs.

#include <memory>
#include <optional>

#include "core/drive/drive_slot.h"
#include "core/drive/self_test_command.h"
#include "core/drive/smart_device.h"

namespace taruk {

struct SelfTestJobResult {
  std::optional<SelfTestRequest> request;  // none: the drive was only read
  SelfTestReply reply;
  DriveSlot slot;  // the slot the job began with, read afresh
};

class SelfTestJob {
 public:
  SelfTestJob();
  ~SelfTestJob();
  SelfTestJob(const SelfTestJob&) = delete;
  SelfTestJob& operator=(const SelfTestJob&) = delete;

  // Sends `request` (if any) on a thread of its own, then reads the drive
  // into a copy of `slot`. False, and nothing done, while the last job still
  // runs or without a device.
  bool Start(std::unique_ptr<SmartDevice> device, std::optional<SelfTestRequest> request, const DriveSlot& slot);
  bool Busy() const;
  // The finished job's result, once; none while it runs or after it was taken.
  std::optional<SelfTestJobResult> Take();

 private:
  struct Shared;
  std::shared_ptr<Shared> shared;
};

}  // namespace taruk
