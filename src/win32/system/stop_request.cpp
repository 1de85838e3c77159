#include <windows.h>

#include "core/base/stop_request.h"

#include <atomic>

#include "win32/system/console_notice.h"

namespace taruk {

namespace {

// Windows ends a console program some five seconds after a close, log-off
// or shut-down notice, and at once when the handler of one returns.
constexpr DWORD kCloseGraceMs = 4500;

std::atomic<HANDLE> stopEvent{nullptr};
// Set when the program gives the signal back, its work done. Never closed:
// a late handler may still wait on it.
std::atomic<HANDLE> finishedEvent{nullptr};

}  // namespace

// The console's notices come on a thread of the system's own; the handler
// sets the event. Returning TRUE keeps the process alive after Ctrl+C so that
// the monitor can save its settings; after a close, log-off or shut-down
// notice it holds the system back until the program has finished (it gives
// its signal back), or the grace time is nearly over.
BOOL WINAPI OnConsoleNotice(DWORD notice) {
  const HANDLE event = stopEvent.load();
  if (!event) return FALSE;
  SetEvent(event);
  if (notice == CTRL_CLOSE_EVENT || notice == CTRL_LOGOFF_EVENT || notice == CTRL_SHUTDOWN_EVENT) {
    if (const HANDLE finished = finishedEvent.load()) WaitForSingleObject(finished, kCloseGraceMs);
  }
  return TRUE;
}

bool StopRequested(StopSignal stop) { return WaitForStopRequest(stop, 0); }

bool WaitForStopRequest(StopSignal stop, int milliseconds) {
  if (stop == kNoStopSignal) return false;
  return WaitForSingleObject(reinterpret_cast<HANDLE>(stop), milliseconds < 0 ? 0 : milliseconds) == WAIT_OBJECT_0;
}

StopSignal ListenForStopRequests() {
  // Manual reset: once come, the request stays for every wait that follows.
  const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!event) return kNoStopSignal;
  if (!finishedEvent.load()) finishedEvent.store(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (const HANDLE finished = finishedEvent.load()) ResetEvent(finished);
  stopEvent.store(event);
  if (!SetConsoleCtrlHandler(OnConsoleNotice, TRUE)) {
    stopEvent.store(nullptr);
    CloseHandle(event);
    return kNoStopSignal;
  }
  return reinterpret_cast<StopSignal>(event);
}

// Manual reset, as the console's: once raised, it stays raised.
StopSignal MakeStopSignal() {
  const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return event ? reinterpret_cast<StopSignal>(event) : kNoStopSignal;
}

void RaiseStopSignal(StopSignal stop) {
  if (stop != kNoStopSignal) SetEvent(reinterpret_cast<HANDLE>(stop));
}

void CloseStopSignal(StopSignal stop) {
  if (stop == kNoStopSignal) return;
  const HANDLE event = reinterpret_cast<HANDLE>(stop);
  HANDLE expected = event;
  if (stopEvent.compare_exchange_strong(expected, nullptr)) {
    SetConsoleCtrlHandler(OnConsoleNotice, FALSE);
    if (const HANDLE finished = finishedEvent.load()) SetEvent(finished);
  }
  CloseHandle(event);
}

}  // namespace taruk
