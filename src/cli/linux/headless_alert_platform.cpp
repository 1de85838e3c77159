#include "cli/headless_alert_platform.h"

#include <cstdio>

#include "core/base/utf8_text.h"

namespace taruk {

void LogLine(const std::wstring& text) {
  std::wstring line = text;
  while (!line.empty() && (line.back() == L'\r' || line.back() == L'\n' || line.back() == L' ')) line.pop_back();
  for (wchar_t& character : line) {
    if (character < 0x20 || character == 0x7F) character = L' ';
  }
  std::fprintf(stderr, "taruk: %s\n", ToUtf8(line).c_str());
}

void HeadlessAlertPlatform::ShowBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs) {
  LogLine(L"notification: " + text);
  DesktopAlertPlatform::ShowBalloon(title, text, timeoutMs);
}

// Logged before the request: once it succeeds there may be no later moment.
void HeadlessAlertPlatform::PowerRequestGoingOut(PowerAction action) {
  switch (action) {
    case PowerAction::ShutDown:
      LogLine(L"shutting down the system");
      return;
    case PowerAction::Suspend:
      LogLine(L"suspending the system");
      return;
    case PowerAction::Hibernate:
      LogLine(L"hibernating the system");
      return;
  }
}

bool HeadlessAlertPlatform::PlaySoundFile(const std::wstring& path, std::wstring& failure) {
  // A failure is logged by the error report that follows it.
  const bool played = DesktopAlertPlatform::PlaySoundFile(path, failure);
  if (played) LogLine(L"played " + path);
  return played;
}

void HeadlessAlertPlatform::ShowSystemError(const std::wstring& text) { LogLine(L"Error: " + text); }

void HeadlessAlertPlatform::MailFinished(const std::wstring& recipient, const std::wstring& subject, bool sent,
                                         const std::wstring& detail) {
  LogLine(L"e-mail to " + recipient + L" \"" + subject + L"\": " + (sent ? L"sent, server answered: " : L"not sent: ") +
          detail);
}

}  // namespace taruk
