#include "cli/linux/headless_alert_platform.h"

#include "core/alarm/action_log.h"

namespace taruk {

void HeadlessAlertPlatform::ShowBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs) {
  LogLine(NotificationLogText(text));
  DesktopAlertPlatform::ShowBalloon(title, text, timeoutMs);
}

void HeadlessAlertPlatform::PowerRequestGoingOut(PowerAction action) { LogLine(PowerLogText(action)); }

bool HeadlessAlertPlatform::PlaySoundFile(const std::wstring& path, std::wstring& failure) {
  // A failure is logged by the error report that follows it.
  const bool played = DesktopAlertPlatform::PlaySoundFile(path, failure);
  if (played) LogLine(PlayedLogText(path));
  return played;
}

void HeadlessAlertPlatform::ShowSystemError(const std::wstring& text) { LogLine(ErrorLogText(text)); }

void HeadlessAlertPlatform::MailFinished(const std::wstring& recipient, const std::wstring& subject, bool sent,
                                         const std::wstring& detail) {
  LogLine(MailLogText(recipient, subject, sent, detail));
}

}  // namespace taruk
