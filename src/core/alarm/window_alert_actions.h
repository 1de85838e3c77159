#pragma once
// The alarm actions as a main window carries them out: balloons from its
// notification-area icon and error boxes it shows; the rest (power, sound,
// mail reports) by the machine's own platform. Without the icon (no
// notification area), balloons go to the machine's platform too. The Qt and
// the Win32 window differ only in how they show a balloon and a box.

#include "core/alarm/alert_platform.h"

namespace taruk {

class WindowAlertActions : public AlertPlatform {
 public:
  explicit WindowAlertActions(AlertPlatform& machine) : machine(machine) {}

  void ShowBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs) override {
    if (!ShowWindowBalloon(title, text, timeoutMs)) machine.ShowBalloon(title, text, timeoutMs);
  }
  // From the window's icon, as a warning where the alarm is one; the
  // machine's when the window has no icon.
  bool ShowAlarmBalloon(const AlarmBalloon& balloon) override {
    return ShowWindowAlarmBalloon(balloon) || machine.ShowAlarmBalloon(balloon);
  }
  // The machine's privilege step (PowerAllowed); a refusal is shown in the
  // box titled "Error", owned by no window, and the request still goes out.
  bool EnableShutdownPrivilege(PowerAction action) override {
    std::wstring refusal;
    if (machine.PowerAllowed(action, refusal)) return true;
    ShowErrorBox(refusal, false);
    return false;
  }
  bool PowerAllowed(PowerAction action, std::wstring& refusal) override {
    return machine.PowerAllowed(action, refusal);
  }
  void ShutDown() override { machine.ShutDown(); }
  void Suspend() override { machine.Suspend(); }
  void Hibernate() override { machine.Hibernate(); }
  bool PlaySoundFile(const std::wstring& path, std::wstring& error) override {
    return machine.PlaySoundFile(path, error);
  }
  // The box titled "Error" with the information icon, owned by the window.
  void ShowSystemError(const std::wstring& text) override { ShowErrorBox(text, true); }
  void MailFinished(const std::wstring& recipient, const std::wstring& subject, bool sent,
                    const std::wstring& detail) override {
    machine.MailFinished(recipient, subject, sent, detail);
  }

 protected:
  // False when there is no window, or no icon to show the balloon from.
  virtual bool ShowWindowBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs) = 0;
  virtual bool ShowWindowAlarmBalloon(const AlarmBalloon& balloon) {
    return ShowWindowBalloon(balloon.title, balloon.text, balloon.timeoutMs);
  }
  AlertPlatform& Machine() { return machine; }
  // The box titled "Error"; owned by the main window or by none.
  virtual void ShowErrorBox(const std::wstring& text, bool ownedByWindow) = 0;

 private:
  AlertPlatform& machine;
};

}  // namespace taruk
