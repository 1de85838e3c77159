#include <windows.h>

#include "win32/power_switch.h"

namespace taruk {

unsigned long EnableShutdownPrivilege() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return GetLastError();
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  DWORD error = 0;
  if (!LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid) ||
      !AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr)) {
    error = GetLastError();
  }
  CloseHandle(token);
  return error;
}

unsigned long SystemPowerSwitch::ShutDownRequest(unsigned flags, unsigned long reason) {
  return ExitWindowsEx(flags, reason) ? 0 : GetLastError();
}

unsigned long SystemPowerSwitch::PowerStateRequest(bool suspend, bool force) {
  return SetSystemPowerState(suspend, force) ? 0 : GetLastError();
}

}  // namespace taruk
