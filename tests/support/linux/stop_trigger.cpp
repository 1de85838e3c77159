#include "support/stop_trigger.h"

#include <unistd.h>

namespace taruk {

StopTrigger::StopTrigger() {
  int ends[2];
  if (pipe(ends) != 0) return;
  signal_ = ends[0];
  raiser_ = ends[1];
}

StopTrigger::~StopTrigger() {
  if (signal_ >= 0) close(static_cast<int>(signal_));
  if (raiser_ >= 0) close(static_cast<int>(raiser_));
}

void StopTrigger::Raise() {
  if (raiser_ >= 0 && write(static_cast<int>(raiser_), "x", 1) != 1) return;
}

}  // namespace taruk
