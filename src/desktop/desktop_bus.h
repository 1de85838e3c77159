#pragma once
// Desktop notifications and systemd-logind without Qt in the caller. QtDBus
// brings Qt Core with ICU and GLib, some six megabytes of a monitor that runs
// all day, for actions most runs never take: the calls live in taruk-dbus.so,
// loaded at the first one and kept. A module that cannot be loaded fails each
// call with its reason.

#include <cstdint>
#include <string>

#include "core/alarm/alert_platform.h"

namespace taruk {

// Notify on the session bus with the title as summary and the text as body
// (desktop/bus/desktop_notification.h). False with a reason when there is no
// daemon.
bool NotifyOnDesktop(const std::wstring& title, const std::wstring& text, int timeoutMs, bool warning,
                     uint32_t& replacesId, std::wstring& error);

// logind's verdict on the action: "yes" and "challenge" allow it; "no", "na"
// or no logind to ask give false and a sentence saying why.
bool LogindAllows(PowerAction action, std::wstring& refusal);

// The action asked of logind, never interactively. False with the reason.
bool RequestFromLogind(PowerAction action, std::wstring& error);

}  // namespace taruk
