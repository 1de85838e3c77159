#pragma once
// A private session bus and a private "system" bus for the test process,
// with python3-dbusmock services on them. The bus addresses go into the
// environment before anything talks to D-Bus, so nothing a test does can
// reach the machine's own logind.

#include <memory>
#include <string>

#include "support/child_process.h"

namespace taruk {

class PrivateBuses {
 public:
  ~PrivateBuses();
  // Starts both daemons and points DBUS_SESSION_BUS_ADDRESS and
  // DBUS_SYSTEM_BUS_ADDRESS at them. False, with `problem` set, when this
  // machine cannot run them (the caller skips).
  bool Start(std::string& problem);
  const std::string& Folder() const { return folder.path(); }

 private:
  ScratchDir folder;
  ChildProcess sessionBus, systemBus;
};

// One dbusmock template on one of those buses, logging the calls it gets.
class MockService {
 public:
  // `template_` is "logind" (system bus) or "notification_daemon" (session
  // bus); `parameters` a JSON object for the template.
  bool Start(const std::string& folder, const std::string& templateName, const std::string& parameters = "{}");
  void Stop() { process.Stop(); }
  // The calls logged so far, one per line, without their time stamps
  // ("PowerOff False").
  std::string Calls() const;

 private:
  ChildProcess process;
  std::string logFile;
};

}  // namespace taruk
