#include "core/base/stop_request.h"

#include <windows.h>

#include <atomic>

#include "win32/system/console_notice.h"

namespace taruk {

namespace {

std::atomic<HANDLE> stopEvent{nullptr};

}  // namespace

// The console's notices come on a thread of the system's own; the handler
// only sets the event. Returning TRUE keeps the process alive so that the
// monitor can save its settings; the system ends it anyway once the handler
// of a close, log-off or shut-down notice returns, so those wait a moment
// for the program to finish.
BOOL WINAPI OnConsoleNotice(DWORD notice) {
  const HANDLE event = stopEvent.load();
  if (!event) return FALSE;
  SetEvent(event);
  if (notice == CTRL_CLOSE_EVENT || notice == CTRL_LOGOFF_EVENT || notice == CTRL_SHUTDOWN_EVENT) Sleep(2000);
  return TRUE;
}

bool StopRequested(StopSignal stop) { return WaitForStopRequest(stop, 0); }

bool WaitForStopRequest(StopSignal stop, int milliseconds) {
  if (stop == kNoStopSignal) return false;
  return WaitForSingleObject(reinterpret_cast<HANDLE>(stop), milliseconds < 0 ? 0 : milliseconds) ==
         WAIT_OBJECT_0;
}

StopSignal ListenForStopRequests() {
  // Manual reset: once come, the request stays for every wait that follows.
  const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!event) return kNoStopSignal;
  stopEvent.store(event);
  if (!SetConsoleCtrlHandler(OnConsoleNotice, TRUE)) {
    stopEvent.store(nullptr);
    CloseHandle(event);
    return kNoStopSignal;
  }
  return reinterpret_cast<StopSignal>(event);
}

void CloseStopSignal(StopSignal stop) {
  if (stop == kNoStopSignal) return;
  const HANDLE event = reinterpret_cast<HANDLE>(stop);
  HANDLE expected = event;
  if (stopEvent.compare_exchange_strong(expected, nullptr)) SetConsoleCtrlHandler(OnConsoleNotice, FALSE);
  CloseHandle(event);
}

}  // namespace taruk
