#pragma once
// The power actions on Windows: the shutdown privilege step, then the
// request itself. Both go through PowerSwitch, so that tests see what would
// be asked, in order, and the machine stays up (Wine grants the privilege
// whatever is asked, so only the calls tell whether the step ran).

namespace taruk {

// EWX_SHUTDOWN | EWX_FORCEIFHUNG, and the reason "hardware: disk"
// (SHTDN_REASON_MAJOR_HARDWARE | SHTDN_REASON_MINOR_DISK).
constexpr unsigned kShutDownFlags = 0x11;
constexpr unsigned long kShutDownReason = 0x10007;

// Enables SeShutdownPrivilege in this process's token (OpenProcessToken,
// LookupPrivilegeValueW, AdjustTokenPrivileges). 0 when the adjustment call
// succeeded, even if the system did not grant the privilege; otherwise the
// error code of the step that failed.
unsigned long EnableShutdownPrivilege();

class PowerSwitch {
 public:
  virtual ~PowerSwitch() = default;
  // Each gives 0 when the request was accepted, or the system's error code.
  virtual unsigned long ShutdownPrivilegeRequest() = 0;
  virtual unsigned long ShutDownRequest(unsigned flags, unsigned long reason) = 0;
  virtual unsigned long PowerStateRequest(bool suspend, bool force) = 0;
};

// ExitWindowsEx and SetSystemPowerState themselves. Only taruk.exe makes one.
class SystemPowerSwitch : public PowerSwitch {
 public:
  unsigned long ShutdownPrivilegeRequest() override { return EnableShutdownPrivilege(); }
  unsigned long ShutDownRequest(unsigned flags, unsigned long reason) override;
  unsigned long PowerStateRequest(bool suspend, bool force) override;
};

}  // namespace taruk
