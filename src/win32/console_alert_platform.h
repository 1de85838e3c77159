#pragma once
// The alarm actions of the headless monitor on Windows: a console has no
// notification icon, so a balloon becomes its log line; the sound and the
// power requests are carried out; each action and each failure is logged as
// one line on stderr, worded as on Linux.

#include "core/alarm/alert_platform.h"
#include "win32/power_switch.h"

namespace taruk {

class ConsoleAlertPlatform : public AlertPlatform {
 public:
  explicit ConsoleAlertPlatform(PowerSwitch& power) : power(power) {}

  void ShowBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs) override;
  // The privilege step; its failure is logged with the system's text.
  bool EnableShutdownPrivilege(PowerAction action) override;
  // Each is requested whatever the privilege step found: the system has the
  // last word, and a refusal is logged with its text.
  void ShutDown() override;
  void Suspend() override;
  void Hibernate() override;
  bool PlaySoundFile(const std::wstring& path, std::wstring& failure) override;
  // "taruk: Error: TEXT", kept to one line.
  void ShowSystemError(const std::wstring& text) override;
  void MailFinished(const std::wstring& recipient, const std::wstring& subject, bool sent,
                    const std::wstring& detail) override;

 private:
  // A refused request: its system text, logged.
  void Report(unsigned long error);
  PowerSwitch& power;
};

}  // namespace taruk
