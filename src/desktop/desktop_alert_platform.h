#pragma once
// The alarm actions on a Linux desktop or server: power through
// systemd-logind, balloons as desktop notifications, the sound through
// PulseAudio, errors on stderr. The main window derives from it to show its
// own balloons and error boxes; the headless monitor to log every action.

#include <cstdint>
#include <map>

#include "core/alarm/alert_platform.h"
#include "linux/sound_player.h"

namespace taruk {

class DesktopAlertPlatform : public AlertPlatform {
 public:
  // A desktop notification; it replaces only the earlier one of the same
  // topic. An alarm's warning goes out at critical urgency with the warning
  // icon, and stays until the user dismisses it.
  void ShowBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs) override;
  bool ShowAlarmBalloon(const AlarmBalloon& balloon) override;
  // logind's CanPowerOff, CanSuspend or CanHibernate. "no" and "na" are
  // reported through ShowSystemError and give false.
  bool EnableShutdownPrivilege(PowerAction action) override;
  // The verdict alone: "no", "na" or no logind to ask give false and why.
  bool PowerAllowed(PowerAction action, std::wstring& refusal) override;
  // Each asks logind again and does nothing on "no" or "na" (logind itself
  // is not trusted to refuse a hibernation without swap), unless
  // `sendRefusedPowerRequests` is set; a failed request is reported through
  // ShowSystemError.
  void ShutDown() override;
  void Suspend() override;
  void Hibernate() override;
  bool PlaySoundFile(const std::wstring& path, std::wstring& error) override;
  // "taruk: Error: TEXT" on stderr.
  void ShowSystemError(const std::wstring& text) override;

  // The window sends a power request whatever the privilege step found, as
  // it has shown that step's failure already; the headless monitor keeps to
  // logind's answer.
  bool sendRefusedPowerRequests = false;

 protected:
  // Called just before a power request goes to logind, and only then: a
  // refused or unreachable action has been reported as an error instead.
  virtual void PowerRequestGoingOut(PowerAction /*action*/) {}

 private:
  SoundPlayOptions soundOptions;
  void RequestPower(PowerAction action);
  std::map<std::wstring, uint32_t> notificationOfTopic;  // the daemon's id, replaced by the topic's next
};

}  // namespace taruk
