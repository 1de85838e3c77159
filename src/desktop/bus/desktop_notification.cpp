#include "desktop/bus/desktop_notification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace taruk {

namespace {

constexpr int kCallTimeoutMs = 5'000;

QDBusMessage NotificationCall(const char* method) {
  return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                        QStringLiteral("/org/freedesktop/Notifications"),
                                        QStringLiteral("org.freedesktop.Notifications"), QString::fromLatin1(method));
}

// A daemon that reads markup in the body would take a model name with '<' or
// '&' for a tag; such a body is escaped so that it shows as written.
bool DaemonReadsMarkup(QDBusConnection& bus) {
  const QDBusMessage reply = bus.call(NotificationCall("GetCapabilities"), QDBus::Block, kCallTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
  return reply.arguments().first().toStringList().contains(QStringLiteral("body-markup"));
}

}  // namespace

bool ShowDesktopNotification(const DesktopNotification& notification, uint32_t& replacesId, QString& failure) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    failure = QStringLiteral("no session D-Bus for desktop notifications");
    return false;
  }
  const QString body = DaemonReadsMarkup(bus) ? notification.text.toHtmlEscaped() : notification.text;
  QVariantMap hints;
  QString icon;
  int timeoutMs = notification.timeoutMs;
  if (notification.warning) {
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar{2}));
    icon = QStringLiteral("dialog-warning");
    timeoutMs = 0;  // never expires by itself
  }
  QDBusMessage call = NotificationCall("Notify");
  call.setArguments({QStringLiteral("Taruk"), QVariant::fromValue(replacesId), icon, notification.title, body,
                     QStringList(), hints, QVariant(timeoutMs)});
  const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage) {
    failure = QStringLiteral("desktop notifications: ") + reply.errorMessage();
    return false;
  }
  if (!reply.arguments().isEmpty()) replacesId = reply.arguments().first().toUInt();
  return true;
}

}  // namespace taruk
