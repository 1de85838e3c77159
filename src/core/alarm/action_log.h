#pragma once
// The headless monitor's account of its alarm actions: one line each on
// stderr, worded the same on every system, since nobody watches a window or
// a balloon on a server.

#include <string>

#include "core/alarm/alert_platform.h"

namespace taruk {

// One line on stderr, "taruk: " first. Line breaks and other control
// characters inside the text become spaces, so that one action stays one line.
void LogLine(const std::wstring& text);

// The lines, without the "taruk: " that LogLine puts first.
std::wstring NotificationLogText(const std::wstring& balloonText);
// Logged before the request goes out: once it succeeds there may be no later
// moment.
std::wstring PowerLogText(PowerAction action);
std::wstring PlayedLogText(const std::wstring& path);
std::wstring ErrorLogText(const std::wstring& systemText);
std::wstring MailLogText(const std::wstring& recipient, const std::wstring& subject, bool sent,
                         const std::wstring& detail);

}  // namespace taruk
