#pragma once
// The headless monitor's account of its alarm actions: one line each on
// stderr, worded the same on every system, since nobody watches a window or
// a balloon on a server.

#include <string>

#include "core/alarm/alert_platform.h"
#include "core/base/log_line.h"  // LogLine, where the lines go

namespace taruk {

// The lines, without the "taruk: " that LogLine puts first.
std::wstring NotificationLogText(const std::wstring& balloonText);
// Logged before the request goes out: once it succeeds there may be no later
// moment.
std::wstring PowerLogText(PowerAction action);
std::wstring PlayedLogText(const std::wstring& path);
std::wstring ErrorLogText(const std::wstring& systemText);
std::wstring MailLogText(const std::wstring& recipient, const std::wstring& subject, bool sent,
                         const std::wstring& detail);

// The headless monitor's alarm actions on every system: `Platform` carries
// them out and each one is logged. A balloon is logged and then shown, where
// the system has one; a sound is logged once it played (a failure is logged
// by the error report that follows it); an error and an e-mail's outcome are
// logged in place of a box. The power requests are logged by `Platform`, just
// before each goes out.
template <class Platform>
class LoggedAlertActions : public Platform {
 public:
  using Platform::Platform;

  void ShowBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs) override {
    // A platform without alarm balloons of its own shows an alarm's as a
    // plain one, which is logged already.
    if (!showingAlarmBalloon) LogLine(NotificationLogText(text));
    Platform::ShowBalloon(title, text, timeoutMs);
  }
  bool ShowAlarmBalloon(const AlarmBalloon& balloon) override {
    LogLine(NotificationLogText(balloon.text));
    showingAlarmBalloon = true;
    const bool shown = Platform::ShowAlarmBalloon(balloon);
    showingAlarmBalloon = false;
    return shown;
  }
  bool PlaySoundFile(const std::wstring& path, std::wstring& error) override {
    const bool played = Platform::PlaySoundFile(path, error);
    if (played) LogLine(PlayedLogText(path));
    return played;
  }
  // "taruk: Error: TEXT", kept to one line.
  void ShowSystemError(const std::wstring& text) override { LogLine(ErrorLogText(text)); }
  void MailFinished(const std::wstring& recipient, const std::wstring& subject, bool sent,
                    const std::wstring& detail) override {
    LogLine(MailLogText(recipient, subject, sent, detail));
  }

 private:
  bool showingAlarmBalloon = false;
};

}  // namespace taruk
