#pragma once
// A loop without an event loop of its own: the monitor's cycle on a timed
// wait for the stop request.

#include <functional>

#include "core/base/stop_request.h"

namespace taruk {

// Calls `tick` once per `periodMs`, the first one period from now, until
// `stop` is requested. A tick longer than the period delays the next one
// rather than queuing several.
void RunPeriodicallyUntilStopped(StopSignal stop, int periodMs, const std::function<void()>& tick);

}  // namespace taruk
