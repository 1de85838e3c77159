#include "desktop/desktop_bus.h"

#include <stdlib.h>
#include <unistd.h>

#include "core/base/path_text.h"
#include "desktop/bus/bus_module.h"
#include "linux/taruk_module.h"

namespace taruk {

namespace {

struct BusModule {
  template <typename Function>
  Function Entry(const char* symbol) {
    return reinterpret_cast<Function>(TarukModuleSymbol(bus_module::kName, symbol, problem));
  }
  std::string problem;
  bus_module::NotifyFunction notify = Entry<bus_module::NotifyFunction>(bus_module::kNotify);
  bus_module::PowerAllowedFunction powerAllowed = Entry<bus_module::PowerAllowedFunction>(bus_module::kPowerAllowed);
  bus_module::PowerRequestFunction powerRequest = Entry<bus_module::PowerRequestFunction>(bus_module::kPowerRequest);

  bool Usable(std::wstring& error) const {
    if (notify && powerAllowed && powerRequest) return true;
    error = L"D-Bus: " + PathBytesToWide(problem);
    return false;
  }
};

const BusModule& Module() {
  static const BusModule module;
  return module;
}

// A service or a login without a desktop has no session bus: no address, no
// bus socket in the runtime folder, no display to start one from. Not
// loading Qt to find that out keeps such a monitor small.
bool NoSessionBus() {
  if (getenv("DBUS_SESSION_BUS_ADDRESS") || getenv("DISPLAY") || getenv("WAYLAND_DISPLAY")) return false;
  const char* runtime = getenv("XDG_RUNTIME_DIR");
  return !runtime || access((std::string(runtime) + "/bus").c_str(), F_OK) != 0;
}

}  // namespace

bool NotifyOnDesktop(const std::wstring& title, const std::wstring& text, int timeoutMs, bool warning,
                     uint32_t& replacesId, std::wstring& error) {
  if (NoSessionBus()) {
    error = L"no session D-Bus for desktop notifications";
    return false;
  }
  return Module().Usable(error) && Module().notify(title, text, timeoutMs, warning, replacesId, error);
}

bool LogindAllows(PowerAction action, std::wstring& refusal) {
  return Module().Usable(refusal) && Module().powerAllowed(action, refusal);
}

bool RequestFromLogind(PowerAction action, std::wstring& error) {
  return Module().Usable(error) && Module().powerRequest(action, error);
}

}  // namespace taruk
