#pragma once
// The alarm actions of the headless monitor on Linux: carried out as on a
// desktop, and each one logged as a single line on stderr.

#include "desktop/desktop_alert_platform.h"

namespace taruk {

class HeadlessAlertPlatform : public DesktopAlertPlatform {
 public:
  void ShowBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs) override;
  bool PlaySoundFile(const std::wstring& path, std::wstring& failure) override;
  // "taruk: Error: TEXT", kept to one line.
  void ShowSystemError(const std::wstring& text) override;
  void MailFinished(const std::wstring& recipient, const std::wstring& subject, bool sent,
                    const std::wstring& detail) override;

 protected:
  void PowerRequestGoingOut(PowerAction action) override;
};

}  // namespace taruk
