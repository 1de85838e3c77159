// taruk-dbus.so's entries (desktop/bus/bus_module.h).
#include "desktop/bus/bus_module.h"

#include <QCoreApplication>

#include "desktop/bus/desktop_notification.h"
#include "desktop/bus/logind_power.h"

#define TARUK_MODULE_ENTRY extern "C" __attribute__((visibility("default")))

namespace {

// QtDBus wants an application object. The window has one; the headless
// monitor, which runs no Qt event loop, gets one here at the first call. It
// is never destroyed: the bus's own thread may outlive any caller.
void NeedApplication() {
  static int argc = 1;
  static char name[] = "taruk";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

}  // namespace

TARUK_MODULE_ENTRY bool taruk_bus_notify(const std::wstring& title, const std::wstring& text, int timeoutMs,
                                         bool warning, uint32_t& replacesId, std::wstring& error) {
  NeedApplication();
  QString reason;
  const taruk::DesktopNotification notification{QString::fromStdWString(title), QString::fromStdWString(text),
                                                timeoutMs, warning};
  const bool shown = taruk::ShowDesktopNotification(notification, replacesId, reason);
  error = reason.toStdWString();
  return shown;
}

TARUK_MODULE_ENTRY bool taruk_bus_power_allowed(taruk::PowerAction action, std::wstring& refusal) {
  NeedApplication();
  QString error;
  const QString verdict = taruk::LogindVerdict(action, error);
  if (!error.isEmpty()) {
    refusal = error.toStdWString();
    return false;
  }
  if (!taruk::VerdictAllows(verdict)) {
    refusal = taruk::RefusalText(action, verdict).toStdWString();
    return false;
  }
  return true;
}

TARUK_MODULE_ENTRY bool taruk_bus_power_request(taruk::PowerAction action, std::wstring& error) {
  NeedApplication();
  QString reason;
  const bool sent = taruk::LogindRequest(action, reason);
  error = reason.toStdWString();
  return sent;
}
