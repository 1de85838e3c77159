#pragma once
// The notification-area icon as a StatusNotifierItem on the session bus, for
// the trays that show items (KDE, XFCE, LXQt, waybar, GNOME's AppIndicator
// extension): its icon at every size, its tooltip, its menu (dbusmenu), and
// its status, NeedsAttention while a drive is in caution or bad. Qt's own
// item has no status of its own to set, so the window uses this one where a
// host is registered, and QSystemTrayIcon (XEmbed) elsewhere.

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>

class QMenu;

namespace taruk {

// One image: (iiay), ARGB32 in network byte order.
struct SniPixmap {
  int width = 0;
  int height = 0;
  QByteArray argb;
};
using SniPixmaps = QList<SniPixmap>;

// (sa(iiay)ss): icon name, images, title, text.
struct SniToolTip {
  QString iconName;
  SniPixmaps pixmaps;
  QString title;
  QString text;
};

QDBusArgument& operator<<(QDBusArgument& argument, const SniPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const SniToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniToolTip& toolTip);

class StatusNotifierItem : public QObject {
  Q_OBJECT
 public:
  explicit StatusNotifierItem(QMenu* menu, QObject* parent = nullptr);
  ~StatusNotifierItem() override;

  // True when a StatusNotifierWatcher on the session bus says a host (a tray
  // that shows items) is registered with it. Asked with a short time-out.
  static bool HostRegistered();

  // Puts the item on the bus and registers it with the watcher; false when
  // either step fails (the item is then taken off again).
  bool Register();
  bool IsRegistered() const { return registered; }

  void SetIcon(const QIcon& icon);
  void SetToolTip(const QString& text);
  void SetNeedsAttention(bool needsAttention);

  // What the adaptor serves.
  QString status() const;
  SniPixmaps iconPixmaps() const { return pixmaps; }
  SniToolTip toolTip() const;
  QMenu* Menu() const { return menu; }

 Q_SIGNALS:
  // The host's primary click (Activate).
  void activated();

 private:
  QMenu* menu;
  QString serviceName;
  SniPixmaps pixmaps;
  QString toolTipText;
  bool needsAttention = false;
  bool registered = false;
};

// org.kde.StatusNotifierItem as the hosts read it.
class StatusNotifierItemAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
  Q_PROPERTY(QString Category READ Category)
  Q_PROPERTY(QString Id READ Id)
  Q_PROPERTY(QString Title READ Title)
  Q_PROPERTY(QString Status READ Status)
  Q_PROPERTY(int WindowId READ WindowId)
  Q_PROPERTY(QString IconName READ EmptyText)
  Q_PROPERTY(taruk::SniPixmaps IconPixmap READ IconPixmap)
  Q_PROPERTY(QString OverlayIconName READ EmptyText)
  Q_PROPERTY(taruk::SniPixmaps OverlayIconPixmap READ NoPixmaps)
  Q_PROPERTY(QString AttentionIconName READ EmptyText)
  Q_PROPERTY(taruk::SniPixmaps AttentionIconPixmap READ IconPixmap)
  Q_PROPERTY(QString AttentionMovieName READ EmptyText)
  Q_PROPERTY(taruk::SniToolTip ToolTip READ ToolTip)
  Q_PROPERTY(bool ItemIsMenu READ ItemIsMenu)
  Q_PROPERTY(QDBusObjectPath Menu READ Menu)
  Q_PROPERTY(QString IconThemePath READ EmptyText)

 public:
  explicit StatusNotifierItemAdaptor(StatusNotifierItem* item);

  QString Category() const { return QStringLiteral("Hardware"); }
  QString Id() const { return QStringLiteral("taruk"); }
  QString Title() const { return QStringLiteral("Taruk"); }
  QString Status() const { return item->status(); }
  int WindowId() const { return 0; }
  QString EmptyText() const { return {}; }
  SniPixmaps IconPixmap() const { return item->iconPixmaps(); }
  SniPixmaps NoPixmaps() const { return {}; }
  SniToolTip ToolTip() const { return item->toolTip(); }
  bool ItemIsMenu() const { return false; }
  QDBusObjectPath Menu() const { return QDBusObjectPath(QStringLiteral("/MenuBar")); }

 public Q_SLOTS:
  void Activate(int x, int y);
  void SecondaryActivate(int x, int y);
  void ContextMenu(int x, int y);
  void Scroll(int delta, const QString& orientation);

 Q_SIGNALS:
  void NewTitle();
  void NewIcon();
  void NewAttentionIcon();
  void NewOverlayIcon();
  void NewToolTip();
  void NewStatus(const QString& status);

 private:
  StatusNotifierItem* item;
};

}  // namespace taruk

Q_DECLARE_METATYPE(taruk::SniPixmap)
Q_DECLARE_METATYPE(taruk::SniToolTip)
