#pragma once
// The alarm actions of the headless monitor on Linux: carried out as on a
// desktop, and each one logged as a single line on stderr.

#include "core/alarm/action_log.h"
#include "desktop/desktop_alert_platform.h"

namespace taruk {

class HeadlessAlertPlatform : public LoggedAlertActions<DesktopAlertPlatform> {
 protected:
  void PowerRequestGoingOut(PowerAction action) override;
};

}  // namespace taruk
