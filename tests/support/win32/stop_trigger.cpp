#include <windows.h>

#include "support/stop_trigger.h"

namespace taruk {

StopTrigger::StopTrigger() {
  if (const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    signal_ = reinterpret_cast<StopSignal>(event);
  }
}

StopTrigger::~StopTrigger() {
  if (signal_ != kNoStopSignal) CloseHandle(reinterpret_cast<HANDLE>(signal_));
}

void StopTrigger::Raise() {
  if (signal_ != kNoStopSignal) SetEvent(reinterpret_cast<HANDLE>(signal_));
}

}  // namespace taruk
