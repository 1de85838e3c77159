#include "core/alarm/action_log.h"

#include <cstdio>

#include "core/base/utf8_text.h"

namespace taruk {

std::wstring NotificationLogText(const std::wstring& balloonText) { return L"notification: " + balloonText; }

std::wstring PowerLogText(PowerAction action) {
  switch (action) {
    case PowerAction::ShutDown:
      return L"shutting down the system";
    case PowerAction::Suspend:
      return L"suspending the system";
    case PowerAction::Hibernate:
      return L"hibernating the system";
  }
  return {};
}

std::wstring PlayedLogText(const std::wstring& path) { return L"played " + path; }

std::wstring ErrorLogText(const std::wstring& systemText) { return L"Error: " + systemText; }

std::wstring MailLogText(const std::wstring& recipient, const std::wstring& subject, bool sent,
                         const std::wstring& detail) {
  return L"e-mail to " + recipient + L" \"" + subject + L"\": " + (sent ? L"sent, server answered: " : L"not sent: ") +
         detail;
}

}  // namespace taruk
