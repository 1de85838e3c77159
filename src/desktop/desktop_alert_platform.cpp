#include "desktop/desktop_alert_platform.h"

#include <climits>
#include <cstdio>

#include "core/base/path_text.h"
#include "core/base/utf8_text.h"
#include "desktop/desktop_bus.h"

namespace taruk {

void DesktopAlertPlatform::ShowBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs) {
  ShowAlarmBalloon({title, text, timeoutMs, {}, false});
}

bool DesktopAlertPlatform::ShowAlarmBalloon(const AlarmBalloon& balloon) {
  // Like a balloon without an icon, a notification without a daemon is not
  // shown, and nothing is said about it.
  std::wstring error;
  return NotifyOnDesktop(balloon.title, balloon.text, balloon.timeoutMs, balloon.warning,
                         notificationOfTopic[balloon.topic], error);
}

bool DesktopAlertPlatform::EnableShutdownPrivilege(PowerAction action) {
  std::wstring refusal;
  if (PowerAllowed(action, refusal)) return true;
  ShowSystemError(refusal);
  return false;
}

bool DesktopAlertPlatform::PowerAllowed(PowerAction action, std::wstring& refusal) {
  return LogindAllows(action, refusal);
}

void DesktopAlertPlatform::RequestPower(PowerAction action) {
  std::wstring refusal;
  // The privilege step has already reported why; say nothing twice.
  if (!sendRefusedPowerRequests && !PowerAllowed(action, refusal)) return;
  PowerRequestGoingOut(action);
  std::wstring error;
  if (!RequestFromLogind(action, error)) ShowSystemError(error);
}

void DesktopAlertPlatform::ShutDown() { RequestPower(PowerAction::ShutDown); }
void DesktopAlertPlatform::Suspend() { RequestPower(PowerAction::Suspend); }
void DesktopAlertPlatform::Hibernate() { RequestPower(PowerAction::Hibernate); }

bool DesktopAlertPlatform::PlaySoundFile(const std::wstring& path, std::wstring& error) {
  std::string bytes, reason;
  if (!WidePathToBytes(path, PATH_MAX, bytes)) {
    error = path + L": not a file name this system can use";
    return false;
  }
  if (taruk::PlaySoundFile(bytes, reason, soundOptions)) return true;
  error = PathBytesToWide(reason);
  return false;
}

void DesktopAlertPlatform::ShowSystemError(const std::wstring& text) {
  std::fprintf(stderr, "taruk: Error: %s\n", ToUtf8(text).c_str());
}

}  // namespace taruk
