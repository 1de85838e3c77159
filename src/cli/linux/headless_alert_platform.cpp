#include "cli/linux/headless_alert_platform.h"

namespace taruk {

void HeadlessAlertPlatform::PowerRequestGoingOut(PowerAction action) { LogLine(PowerLogText(action)); }

}  // namespace taruk
