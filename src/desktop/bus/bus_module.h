#pragma once
// The entries of taruk-dbus.so: desktop notifications and systemd-logind
// through QtDBus, for desktop/desktop_bus.h, which loads the module. Texts
// cross as wide strings, as the alarm actions hold them.

#include <cstdint>
#include <string>

#include "core/alarm/alert_platform.h"

namespace taruk::bus_module {

using NotifyFunction = bool (*)(const std::wstring& title, const std::wstring& text, int timeoutMs, bool warning,
                                uint32_t& replacesId, std::wstring& error);
using PowerAllowedFunction = bool (*)(PowerAction action, std::wstring& refusal);
using PowerRequestFunction = bool (*)(PowerAction action, std::wstring& error);

constexpr const char* kName = "taruk-dbus.so";
constexpr const char* kNotify = "taruk_bus_notify";
constexpr const char* kPowerAllowed = "taruk_bus_power_allowed";
constexpr const char* kPowerRequest = "taruk_bus_power_request";

}  // namespace taruk::bus_module
