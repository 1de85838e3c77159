#pragma once
// A stop request that a test raises itself: a pipe on Linux (readable once
// raised, as the signalfd is), a manual-reset event on Windows.

#include "core/base/stop_request.h"

namespace taruk {

class StopTrigger {
 public:
  StopTrigger();
  ~StopTrigger();
  StopTrigger(const StopTrigger&) = delete;
  StopTrigger& operator=(const StopTrigger&) = delete;

  StopSignal signal() const { return signal_; }
  void Raise();

 private:
  StopSignal signal_ = kNoStopSignal;
  StopSignal raiser_ = kNoStopSignal;
};

}  // namespace taruk
