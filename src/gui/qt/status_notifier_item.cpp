#include "gui/qt/status_notifier_item.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QtEndian>

#include "gui/qt/dbus_menu.h"

namespace taruk {

namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kMenuPath = QStringLiteral("/MenuBar");
constexpr int kCallTimeoutMs = 2'000;

QDBusMessage WatcherCall(const QString& interface, const QString& method) {
  return QDBusMessage::createMethodCall(kWatcher, QStringLiteral("/StatusNotifierWatcher"), interface, method);
}

// The icon's images at the sizes it holds, square, as ARGB32 in network
// byte order.
SniPixmaps PixmapsOf(const QIcon& icon) {
  SniPixmaps pixmaps;
  QList<QSize> sizes = icon.availableSizes();
  if (sizes.isEmpty()) sizes = {QSize(16, 16), QSize(22, 22), QSize(32, 32), QSize(64, 64)};
  for (const QSize& size : sizes) {
    if (size.width() > 256) continue;
    const QImage image = icon.pixmap(size, 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
    SniPixmap pixmap{image.width(), image.height(), QByteArray()};
    pixmap.argb.resize(static_cast<qsizetype>(image.width()) * image.height() * 4);
    auto* out = reinterpret_cast<quint32*>(pixmap.argb.data());
    for (int y = 0; y < image.height(); ++y) {
      const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
      for (int x = 0; x < image.width(); ++x) *out++ = qToBigEndian(line[x]);
    }
    pixmaps << pixmap;
  }
  return pixmaps;
}

}  // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const SniPixmap& pixmap) {
  argument.beginStructure();
  argument << pixmap.width << pixmap.height << pixmap.argb;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, SniPixmap& pixmap) {
  argument.beginStructure();
  argument >> pixmap.width >> pixmap.height >> pixmap.argb;
  argument.endStructure();
  return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const SniToolTip& toolTip) {
  argument.beginStructure();
  argument << toolTip.iconName << toolTip.pixmaps << toolTip.title << toolTip.text;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, SniToolTip& toolTip) {
  argument.beginStructure();
  argument >> toolTip.iconName >> toolTip.pixmaps >> toolTip.title >> toolTip.text;
  argument.endStructure();
  return argument;
}

StatusNotifierItem::StatusNotifierItem(QMenu* menu, QObject* parent) : QObject(parent), menu(menu) {
  qDBusRegisterMetaType<SniPixmap>();
  qDBusRegisterMetaType<SniPixmaps>();
  qDBusRegisterMetaType<SniToolTip>();
  new StatusNotifierItemAdaptor(this);
  new DBusMenuExporter(this, menu);
}

StatusNotifierItem::~StatusNotifierItem() {
  if (!registered) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  bus.unregisterObject(kItemPath);
  bus.unregisterObject(kMenuPath);
  bus.unregisterService(serviceName);
}

bool StatusNotifierItem::HostRegistered() {
  // Without a session bus to ask there is no host, and QtDBus is left
  // untouched: its first use settles the buses for the whole process.
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") &&
      (runtime.isEmpty() || !QFileInfo::exists(runtime + QStringLiteral("/bus")))) {
    return false;
  }
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  QDBusMessage get = WatcherCall(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  get.setArguments({kWatcher, QStringLiteral("IsStatusNotifierHostRegistered")});
  const QDBusMessage reply = bus.call(get, QDBus::Block, kCallTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
  return reply.arguments().first().value<QDBusVariant>().variant().toBool();
}

bool StatusNotifierItem::Register() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  serviceName = QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(QCoreApplication::applicationPid());
  // The item and its menu share the object: the menu's path names the
  // exporter's interface on it.
  if (!bus.registerService(serviceName)) return false;
  if (!bus.registerObject(kItemPath, this, QDBusConnection::ExportAdaptors) ||
      !bus.registerObject(kMenuPath, this, QDBusConnection::ExportAdaptors)) {
    bus.unregisterObject(kItemPath);
    bus.unregisterService(serviceName);
    return false;
  }
  QDBusMessage call = WatcherCall(kWatcher, QStringLiteral("RegisterStatusNotifierItem"));
  call.setArguments({serviceName});
  const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
  registered = reply.type() == QDBusMessage::ReplyMessage;
  if (!registered) {
    bus.unregisterObject(kItemPath);
    bus.unregisterObject(kMenuPath);
    bus.unregisterService(serviceName);
  }
  return registered;
}

QString StatusNotifierItem::status() const {
  return needsAttention ? QStringLiteral("NeedsAttention") : QStringLiteral("Active");
}

SniToolTip StatusNotifierItem::toolTip() const {
  // The first line is the title, the rest the text.
  const qsizetype end = toolTipText.indexOf(QLatin1Char('\n'));
  if (end < 0) return {QString(), {}, toolTipText, QString()};
  return {QString(), {}, toolTipText.left(end), toolTipText.mid(end + 1)};
}

void StatusNotifierItem::SetIcon(const QIcon& icon) {
  pixmaps = PixmapsOf(icon);
  auto* adaptor = findChild<StatusNotifierItemAdaptor*>();
  if (adaptor) emit adaptor->NewIcon();
}

void StatusNotifierItem::SetToolTip(const QString& text) {
  if (text == toolTipText) return;
  toolTipText = text;
  auto* adaptor = findChild<StatusNotifierItemAdaptor*>();
  if (adaptor) emit adaptor->NewToolTip();
}

void StatusNotifierItem::SetNeedsAttention(bool attention) {
  if (attention == needsAttention) return;
  needsAttention = attention;
  auto* adaptor = findChild<StatusNotifierItemAdaptor*>();
  if (adaptor) emit adaptor->NewStatus(status());
}

StatusNotifierItemAdaptor::StatusNotifierItemAdaptor(StatusNotifierItem* item)
    : QDBusAbstractAdaptor(item), item(item) {
  setAutoRelaySignals(false);
}

void StatusNotifierItemAdaptor::Activate(int /*x*/, int /*y*/) { emit item->activated(); }

void StatusNotifierItemAdaptor::SecondaryActivate(int /*x*/, int /*y*/) {}

void StatusNotifierItemAdaptor::ContextMenu(int x, int y) {
  // Hosts without dbusmenu ask the item to open its menu itself.
  if (QMenu* menu = item->Menu()) menu->popup(QPoint(x, y));
}

void StatusNotifierItemAdaptor::Scroll(int /*delta*/, const QString& /*orientation*/) {}

}  // namespace taruk
