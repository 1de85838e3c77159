#pragma once
// The alarm actions as the main window carries them out on Windows: balloons
// from its notification-area icon and error boxes owned by it; the rest
// (power, sound, mail reports) by the machine's own platform. Without the
// icon (no notification area), balloons go to the machine's platform too.

#include "core/alarm/alert_platform.h"

namespace taruk::win32 {

class CMonitorDlg;

class WindowAlertPlatform : public AlertPlatform {
 public:
  explicit WindowAlertPlatform(AlertPlatform& machine) : machine(machine) {}

  // The window that owns the icon and the boxes; none before it exists.
  void SetWindow(CMonitorDlg* owner) { window = owner; }

  void ShowBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs) override;
  // The machine's verdict; a refusal is shown in the box titled "Error",
  // owned by no window.
  bool EnableShutdownPrivilege(PowerAction action) override;
  bool PowerAllowed(PowerAction action, std::wstring& refusal) override {
    return machine.PowerAllowed(action, refusal);
  }
  void ShutDown() override { machine.ShutDown(); }
  void Suspend() override { machine.Suspend(); }
  void Hibernate() override { machine.Hibernate(); }
  bool PlaySoundFile(const std::wstring& path, std::wstring& failure) override {
    return machine.PlaySoundFile(path, failure);
  }
  // The box titled "Error" with the information icon, owned by the window.
  void ShowSystemError(const std::wstring& text) override;
  void MailFinished(const std::wstring& recipient, const std::wstring& subject, bool sent,
                    const std::wstring& detail) override {
    machine.MailFinished(recipient, subject, sent, detail);
  }

 private:
  AlertPlatform& machine;
  CMonitorDlg* window = nullptr;
};

}  // namespace taruk::win32
