#pragma once
// A QMenu exported on the session bus as com.canonical.dbusmenu, for a tray
// host that draws the menu of a StatusNotifierItem itself: the items' texts,
// separators and states; a click on an item triggers its action, as a click
// in the menu would.

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>

class QMenu;

namespace taruk {

// One node of the layout: (ia{sv}av), its children wrapped in variants.
struct DBusMenuLayout {
  int id = 0;
  QVariantMap properties;
  QVariantList children;
};

// One item's properties: (ia{sv}).
struct DBusMenuItemProperties {
  int id = 0;
  QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayout& layout);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayout& layout);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemProperties& item);

class DBusMenuExporter : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
  Q_PROPERTY(uint Version READ Version)
  Q_PROPERTY(QString TextDirection READ TextDirection)
  Q_PROPERTY(QString Status READ Status)
  Q_PROPERTY(QStringList IconThemePath READ IconThemePath)

 public:
  // Serves `menu`'s top-level actions, item n + 1 for action n; the root is 0.
  DBusMenuExporter(QObject* object, QMenu* menu);

  uint Version() const { return 3; }
  QString TextDirection() const { return QStringLiteral("ltr"); }
  QString Status() const { return QStringLiteral("normal"); }
  QStringList IconThemePath() const { return {}; }

 public Q_SLOTS:
  // QtDBus finds the types by the names written here: in full.
  uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames, taruk::DBusMenuLayout& layout);
  QList<taruk::DBusMenuItemProperties> GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames);
  QDBusVariant GetProperty(int id, const QString& name);
  void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
  bool AboutToShow(int id);

 Q_SIGNALS:
  void LayoutUpdated(uint revision, int parent);
  void ItemActivationRequested(int id, uint timestamp);

 private:
  QVariantMap ItemProperties(int id) const;
  QPointer<QMenu> menu;
};

}  // namespace taruk

Q_DECLARE_METATYPE(taruk::DBusMenuLayout)
Q_DECLARE_METATYPE(taruk::DBusMenuItemProperties)
