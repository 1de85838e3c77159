#pragma once
// Starting or aborting a drive's self-test on request. The test runs in the
// drive, in the background (ATA off-line mode, NVMe Device Self-test): the
// request returns at once, and the reading passes show its progress.

#include <string>

#include "core/drive/self_test.h"
#include "core/drive/smart_device.h"

namespace taruk {

enum class SelfTestOutcome {
  Started,         // the drive accepted the start
  Aborted,         // the drive accepted the abort
  AlreadyRunning,  // a test is running; nothing was sent over it
  NotSupported,    // the drive does not offer this test; nothing was sent
  Refused,         // the drive answered the command with an error
  NotReached,      // the command could not be sent to the drive
};

struct SelfTestReply {
  SelfTestOutcome outcome = SelfTestOutcome::NotReached;
  std::string text;  // one line for the user
};

// True for Started and Aborted: the drive took the request.
bool SelfTestAccepted(SelfTestOutcome outcome);

// Asks the drive behind `device` for `request`. An ATA drive is asked for its
// SMART data first, so that only a test it offers is started, never over
// one already running; an NVMe drive for its Identify Controller data.
SelfTestReply RequestSelfTest(SmartDevice& device, SelfTestRequest request);

}  // namespace taruk
