#pragma once
// What the alarm actions ask of the machine, one operation per action. The
// window implements the balloon and the error box; the Linux layer the rest.
// Tests put a recorder here: the power actions never reach the real machine.

#include <string>

namespace taruk {

// The three power actions, so that the privilege step can ask the system about
// the one that is about to run.
enum class PowerAction { ShutDown, Suspend, Hibernate };

// An alarm's balloon, with what it is about: a later balloon replaces only
// the earlier one about the same alarm of the same drive or volume, never
// another drive's.
struct AlarmBalloon {
  std::wstring title;
  std::wstring text;
  int timeoutMs = 0;
  std::wstring topic;    // "temperature HD1", "health HD1", "free space C:\"; empty for none
  bool warning = false;  // a drive at risk: shown as a warning, at critical urgency
};

class AlertPlatform {
 public:
  virtual ~AlertPlatform() = default;
  // A titled information balloon from the program's icon, for about
  // `timeoutMs` milliseconds.
  virtual void ShowBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs) = 0;
  // An alarm's balloon; false when nothing could show it. A platform that
  // knows no topics or warnings shows it as a plain balloon.
  virtual bool ShowAlarmBalloon(const AlarmBalloon& balloon) {
    ShowBalloon(balloon.title, balloon.text, balloon.timeoutMs);
    return true;
  }
  // Stands in for the shutdown privilege step: true when the system would let
  // this process carry out `action`. A refusal is reported through
  // ShowSystemError by the implementation.
  virtual bool EnableShutdownPrivilege(PowerAction action) = 0;
  // The same step without reporting it: false with the reason when the
  // system would refuse `action` (on Windows the privilege adjustment runs
  // here). A platform that cannot tell allows it.
  virtual bool PowerAllowed(PowerAction /*action*/, std::wstring& /*refusal*/) { return true; }
  virtual void ShutDown() = 0;
  virtual void Suspend() = 0;
  virtual void Hibernate() = 0;
  // Plays the file to its end before returning. False with a readable reason.
  virtual bool PlaySoundFile(const std::wstring& path, std::wstring& error) = 0;
  // The box titled "Error" with the system's text for a failure.
  virtual void ShowSystemError(const std::wstring& text) = 0;
  // How an alert e-mail went: the server's last answer when it was accepted,
  // the client's last error otherwise. The window shows nothing for an alert
  // e-mail; the headless monitor logs it, since nobody would see a box there.
  virtual void MailFinished(const std::wstring& /*recipient*/, const std::wstring& /*subject*/, bool /*sent*/,
                            const std::wstring& /*detail*/) {}
};

}  // namespace taruk
