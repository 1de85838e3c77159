#include "support/private_buses.h"

#include <stdlib.h>

#include <sstream>

namespace taruk {

using namespace std::chrono_literals;

namespace {

// The first line of `file` once the daemon has written its address there.
bool StartBus(ChildProcess& bus, const std::string& addressFile, std::string& address) {
  if (!bus.Start({"dbus-daemon", "--config-file=/usr/share/dbus-1/session.conf", "--nofork", "--print-address=1"},
                 addressFile)) {
    return false;
  }
  return WaitUntil(
      [&] {
        const std::string text = ReadFileBytes(addressFile);
        const size_t end = text.find('\n');
        if (end == std::string::npos) return false;
        address = text.substr(0, end);
        return true;
      },
      10s);
}

bool NameOwned(const std::string& address, const std::string& name) {
  const std::string reply = RunShell("dbus-send --bus='" + address +
                                     "' --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus "
                                     "org.freedesktop.DBus.NameHasOwner string:" +
                                     name + " 2>/dev/null");
  return reply.find("boolean true") != std::string::npos;
}

}  // namespace

PrivateBuses::~PrivateBuses() {
  sessionBus.Stop();
  systemBus.Stop();
}

bool PrivateBuses::Start(std::string& problem) {
  if (RunShell("command -v dbus-daemon dbus-send >/dev/null && /usr/bin/python3 -c 'import dbusmock' "
               "2>/dev/null; echo $?") != "0\n") {
    problem = "dbus-daemon, dbus-send or python3-dbusmock is not installed (scripts/install-deps.sh test)";
    return false;
  }
  std::string session, system;
  if (!StartBus(sessionBus, folder / "session.address", session) ||
      !StartBus(systemBus, folder / "system.address", system)) {
    problem = "dbus-daemon did not start";
    return false;
  }
  setenv("DBUS_SESSION_BUS_ADDRESS", session.c_str(), 1);
  setenv("DBUS_SYSTEM_BUS_ADDRESS", system.c_str(), 1);
  return true;
}

bool MockService::Start(const std::string& folder, const std::string& templateName, const std::string& parameters) {
  logFile = folder + "/" + templateName + ".log";
  const bool onSystemBus = templateName == "logind";
  if (!process.Start(
          {"/usr/bin/python3", "-m", "dbusmock", "--template", templateName, "-p", parameters, "-l", logFile}, "",
          folder + "/" + templateName + ".err")) {
    return false;
  }
  const std::string name = onSystemBus ? "org.freedesktop.login1" : "org.freedesktop.Notifications";
  const char* address = std::getenv(onSystemBus ? "DBUS_SYSTEM_BUS_ADDRESS" : "DBUS_SESSION_BUS_ADDRESS");
  return address && WaitUntil([&] { return NameOwned(address, name); }, 10s);
}

std::string MockService::Calls() const {
  std::istringstream lines(ReadFileBytes(logFile));
  std::string line, calls;
  while (std::getline(lines, line)) {
    const size_t space = line.find(' ');
    calls += (space == std::string::npos ? line : line.substr(space + 1)) + "\n";
  }
  return calls;
}

}  // namespace taruk
