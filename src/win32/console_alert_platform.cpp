#include "win32/console_alert_platform.h"

#include "win32/system_error_text.h"
#include "win32/wave_sound.h"

namespace taruk {

bool ConsoleActions::EnableShutdownPrivilege(PowerAction action) {
  std::wstring refusal;
  if (PowerAllowed(action, refusal)) return true;
  ShowSystemError(refusal);
  return false;
}

bool ConsoleActions::PowerAllowed(PowerAction, std::wstring& refusal) {
  const unsigned long error = power.ShutdownPrivilegeRequest();
  if (error == 0) return true;
  refusal = SystemErrorText(error);
  return false;
}

// Logged before the request goes out: once it succeeds there may be no
// later moment.
void ConsoleActions::ShutDown() {
  LogLine(PowerLogText(PowerAction::ShutDown));
  Report(power.ShutDownRequest(kShutDownFlags, kShutDownReason));
}

void ConsoleActions::Suspend() {
  LogLine(PowerLogText(PowerAction::Suspend));
  Report(power.PowerStateRequest(true, false));
}

void ConsoleActions::Hibernate() {
  LogLine(PowerLogText(PowerAction::Hibernate));
  Report(power.PowerStateRequest(false, false));
}

void ConsoleActions::Report(unsigned long error) {
  if (error != 0) ShowSystemError(SystemErrorText(error));
}

bool ConsoleActions::PlaySoundFile(const std::wstring& path, std::wstring& error) { return PlayWaveFile(path, error); }

}  // namespace taruk
