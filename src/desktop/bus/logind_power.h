#pragma once
// The power actions through systemd-logind on the system bus. Nothing here
// asks the user: every request is non-interactive, so a policy that would
// want a password refuses instead of waiting for one.

#include <QString>

#include "core/alarm/alert_platform.h"

namespace taruk {

// What logind answers to CanPowerOff, CanSuspend or CanHibernate: "yes",
// "no", "na" (not available on this machine) or "challenge" (allowed only
// after authentication). Empty, with `failure` set, when logind could not be
// asked.
QString LogindVerdict(PowerAction action, QString& failure);

// Whether a verdict lets the request go ahead. "challenge" does: the request
// then fails with polkit's own reason, which says more than we could.
bool VerdictAllows(const QString& verdict);

// A sentence for a refusal ("no" or "na"), naming the action.
QString RefusalText(PowerAction action, const QString& verdict);

// PowerOff, Suspend or Hibernate with interactive = false. False with logind's
// or the bus's reason.
bool LogindRequest(PowerAction action, QString& failure);

}  // namespace taruk
