#pragma once
// Balloons without a window of our own: a freedesktop notification on the
// session bus, shown by whatever notification daemon the desktop runs.

#include <QString>
#include <cstdint>

namespace taruk {

// Notify with the title as summary and the text as body, asking the daemon to
// keep it for `timeoutMs`. A notification with a non-zero `replacesId`
// replaces that one, as a second balloon replaces the first; `replacesId` then
// holds the new one's id. False with a reason when there is no daemon.
bool ShowDesktopNotification(const QString& title, const QString& text, int timeoutMs, uint32_t& replacesId,
                             QString& failure);

}  // namespace taruk
