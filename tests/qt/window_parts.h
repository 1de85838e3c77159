#pragma once
// The main window's parts that have no control id, found by their object
// names.

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

namespace taruk {

inline QTimer* MonitorTimerOf(const QObject& window) {
  return window.findChild<QTimer*>(QStringLiteral("monitorTimer"));
}

inline QSystemTrayIcon* TrayIconOf(const QObject& window) {
  return window.findChild<QSystemTrayIcon*>(QStringLiteral("trayIcon"));
}

inline QMenu* SystemMenuOf(const QObject& window) { return window.findChild<QMenu*>(QStringLiteral("systemMenu")); }

}  // namespace taruk
