#pragma once
// The alarm actions of the headless monitor: carried out as on a desktop,
// and each one logged as a single line on stderr, since nobody watches a
// window or a balloon on a server.

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

// One line on stderr, "taruk: " first. Line breaks and other control
// characters inside the text become spaces, so that one action stays one line.
void LogLine(const std::wstring& text);

}  // namespace taruk
