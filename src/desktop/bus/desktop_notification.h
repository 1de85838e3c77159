#pragma once
// Balloons without a window of our own: a freedesktop notification on the
// session bus, shown by whatever notification daemon the desktop runs.

#include <QString>

#include <cstdint>

namespace taruk {

struct DesktopNotification {
  QString title;
  QString text;
  int timeoutMs = 0;
  // Critical urgency with the "dialog-warning" icon, kept until dismissed
  // (the daemon may still let a critical one expire by its own rule).
  bool warning = false;
};

// Notify with the title as summary and the text as body, asking the daemon to
// keep it for `timeoutMs`. A notification with a non-zero `replacesId`
// replaces that one; `replacesId` then holds the new one's id. False with a
// reason when there is no daemon.
bool ShowDesktopNotification(const DesktopNotification& notification, uint32_t& replacesId, QString& failure);

}  // namespace taruk
