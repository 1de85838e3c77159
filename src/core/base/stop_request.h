#pragma once
// A request to stop the program, as the system delivers it: on Linux a
// descriptor that turns readable when SIGTERM, SIGINT or SIGHUP comes (a
// signalfd), on Windows an event that the console's Ctrl+C, Ctrl+Break,
// close, log-off and shut-down notices set. Every wait that could hold the
// program for long looks at it beside what it waits for, so that a stop ends
// the wait at once.

#include <cstdint>

namespace taruk {

// The descriptor or the event's handle; kNoStopSignal stands for none.
using StopSignal = std::intptr_t;
constexpr StopSignal kNoStopSignal = -1;

// True once the request has come. Never blocks.
bool StopRequested(StopSignal stop);

// Waits up to `milliseconds` (0 or more) for the request; true once it has come.
bool WaitForStopRequest(StopSignal stop, int milliseconds);

// Starts taking the system's stop requests (from then on they no longer end
// the program at once) and returns the signal they raise, or kNoStopSignal
// when it could not be made. Called once, before any thread starts.
StopSignal ListenForStopRequests();

// A stop request of the program's own, for a part that must be able to end
// its own waits (the e-mail sender when the monitor ends): never raised
// until RaiseStopSignal, and looked at like the system's. kNoStopSignal when
// it could not be made. Closed with CloseStopSignal.
StopSignal MakeStopSignal();
void RaiseStopSignal(StopSignal stop);

// Gives the signal back to the system.
void CloseStopSignal(StopSignal stop);

}  // namespace taruk
