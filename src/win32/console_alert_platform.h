#pragma once
// The alarm actions of the headless monitor on Windows: a console has no
// notification icon, so a balloon becomes its log line alone; the sound and
// the power requests are carried out; each action and each failure is logged
// as one line on stderr, worded as on Linux.

#include "core/alarm/action_log.h"
#include "core/alarm/alert_platform.h"
#include "win32/power_switch.h"

namespace taruk {

// The actions themselves; the errors are left to the logging above them.
class ConsoleActions : public AlertPlatform {
 public:
  explicit ConsoleActions(PowerSwitch& power) : power(power) {}

  void ShowBalloon(const std::wstring&, const std::wstring&, int) override {}
  // The privilege step; its failure is reported with the system's text.
  bool EnableShutdownPrivilege(PowerAction action) override;
  // The privilege step itself, its failure as the system's text: the
  // window's actions take it from here and show the refusal in a box.
  bool PowerAllowed(PowerAction action, std::wstring& refusal) override;
  // Each is requested whatever the privilege step found: the system has the
  // last word, and a refusal is reported with its text.
  void ShutDown() override;
  void Suspend() override;
  void Hibernate() override;
  bool PlaySoundFile(const std::wstring& path, std::wstring& error) override;

 private:
  // A refused request: its system text, reported.
  void Report(unsigned long error);
  PowerSwitch& power;
};

using ConsoleAlertPlatform = LoggedAlertActions<ConsoleActions>;

}  // namespace taruk
