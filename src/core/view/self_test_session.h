#pragma once
// The Self-test dialog's dealings with its drive, for the Qt and the Win32
// dialog alike: the drive as last read, the request on its way, the reply
// line each step leaves, and when to ask the drive again. The windows draw
// what it holds and run its two timers: one looks for the answer, the other
// asks again while a test runs.

#include <optional>
#include <string>

#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"
#include "core/view/self_test_dialog.h"
#include "core/view/self_test_job.h"

namespace taruk {

class SelfTestSession {
 public:
  // `slot`: the drive as the monitor last read it; `drives` opens it for
  // each request (nullptr: nothing is ever sent).
  SelfTestSession(DeviceOpener* drives, const DriveSlot& slot) : drives(drives), shown(slot) {}

  struct Step {
    bool asking = false;                    // a job went out: look for its answer
    std::optional<std::wstring> replyLine;  // the line under the buttons, when it changes
  };
  // Sends `request`, or reads the drive again (none), off the caller's
  // thread. None: nothing happened (no drives, or a request is on its way).
  std::optional<Step> Ask(std::optional<SelfTestRequest> request);
  // The drive's answer once it came (`asking` false): `Shown()` is the drive
  // read afresh; none while the drive is still being asked.
  std::optional<Step> TakeAnswer();

  const DriveSlot& Shown() const { return shown; }
  SelfTestButtons Buttons() const { return SelfTestButtonsFor(shown.selfTest, job.Busy() || !drives); }
  // Seconds until the drive is asked again; none when no test runs, or the
  // drive cannot be asked, or is being asked now.
  std::optional<int> PollSeconds() const;

 private:
  DeviceOpener* drives;
  DriveSlot shown;
  SelfTestJob job;
};

}  // namespace taruk
