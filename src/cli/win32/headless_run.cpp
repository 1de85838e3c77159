// The headless monitor's run on Windows. Ctrl+C, Ctrl+Break, closing the
// console, logging off and shutting down set one event: the waits of a cycle
// poll it and end at once, and the timer's wait ends on it. For the last
// three the system ends the process as soon as the handler returns, so the
// handler holds on until the settings are saved (a few seconds at most).
#include <windows.h>

#include <cstdint>
#include <chrono>

#include "cli/platform.h"
#include "win32/console_alert_platform.h"
#include "win32/power_switch.h"
#include "win32/system_error_text.h"
#include "core/base/utf8_text.h"

namespace taruk {

namespace {

constexpr DWORD kSaveWaitMs = 4000;

HANDLE stopEvent = nullptr;
HANDLE doneEvent = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  SetEvent(stopEvent);
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    WaitForSingleObject(doneEvent, kSaveWaitMs);
  }
  return TRUE;
}

class WindowsHeadlessRun : public HeadlessRun {
 public:
  ~WindowsHeadlessRun() override {
    // The settings are saved by now; a closing console may end the process.
    SetEvent(doneEvent);
  }

  int Stop() const override { return static_cast<int>(reinterpret_cast<std::intptr_t>(stopEvent)); }
  AlertPlatform& Platform() override { return platform; }

  void RunUntilStopped(int periodMs, const std::function<void()>& tick) override {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::milliseconds(periodMs);
    Clock::time_point next = Clock::now() + period;
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
      if (WaitForSingleObject(stopEvent, left > 0 ? static_cast<DWORD>(left) : 0) != WAIT_TIMEOUT) return;
      tick();
      // A cycle longer than the period delays the next one rather than
      // queuing several.
      next += period;
      if (next < Clock::now()) next = Clock::now() + period;
    }
  }

 private:
  SystemPowerSwitch power;
  ConsoleAlertPlatform platform{power};
};

}  // namespace

std::unique_ptr<HeadlessRun> StartHeadlessRun(std::string& error) {
  stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  doneEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (stopEvent == nullptr || doneEvent == nullptr || !SetConsoleCtrlHandler(OnConsoleEvent, TRUE)) {
    error = "taruk: cannot catch the console's stop requests: " + ToUtf8(SystemErrorText(GetLastError()));
    return nullptr;
  }
  return std::make_unique<WindowsHeadlessRun>();
}

}  // namespace taruk
