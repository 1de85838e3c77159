#include "win32/console_alert_platform.h"

#include "core/alarm/action_log.h"
#include "win32/system_error_text.h"
#include "win32/wave_sound.h"

namespace taruk {

void ConsoleAlertPlatform::ShowBalloon(const std::wstring&, const std::wstring& text, int) {
  LogLine(NotificationLogText(text));
}

bool ConsoleAlertPlatform::EnableShutdownPrivilege(PowerAction) {
  const unsigned long error = taruk::EnableShutdownPrivilege();
  if (error == 0) return true;
  ShowSystemError(SystemErrorText(error));
  return false;
}

// Logged before the request goes out: once it succeeds there may be no
// later moment.
void ConsoleAlertPlatform::ShutDown() {
  LogLine(PowerLogText(PowerAction::ShutDown));
  Report(power.ShutDownRequest(kShutDownFlags, kShutDownReason));
}

void ConsoleAlertPlatform::Suspend() {
  LogLine(PowerLogText(PowerAction::Suspend));
  Report(power.PowerStateRequest(true, false));
}

void ConsoleAlertPlatform::Hibernate() {
  LogLine(PowerLogText(PowerAction::Hibernate));
  Report(power.PowerStateRequest(false, false));
}

void ConsoleAlertPlatform::Report(unsigned long error) {
  if (error != 0) ShowSystemError(SystemErrorText(error));
}

bool ConsoleAlertPlatform::PlaySoundFile(const std::wstring& path, std::wstring& failure) {
  // A failure is logged by the error report that follows it.
  const bool played = PlayWaveFile(path, failure);
  if (played) LogLine(PlayedLogText(path));
  return played;
}

void ConsoleAlertPlatform::ShowSystemError(const std::wstring& text) { LogLine(ErrorLogText(text)); }

void ConsoleAlertPlatform::MailFinished(const std::wstring& recipient, const std::wstring& subject, bool sent,
                                        const std::wstring& detail) {
  LogLine(MailLogText(recipient, subject, sent, detail));
}

}  // namespace taruk
