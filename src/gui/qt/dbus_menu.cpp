#include "gui/qt/dbus_menu.h"

#include <QAction>
#include <QDBusMetaType>
#include <QMenu>

namespace taruk {

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayout& layout) {
  argument.beginStructure();
  argument << layout.id << layout.properties;
  argument.beginArray(qMetaTypeId<QDBusVariant>());
  for (const QVariant& child : layout.children) argument << QDBusVariant(child);
  argument.endArray();
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayout& layout) {
  argument.beginStructure();
  argument >> layout.id >> layout.properties;
  argument.beginArray();
  layout.children.clear();
  while (!argument.atEnd()) {
    QDBusVariant child;
    argument >> child;
    layout.children << child.variant();
  }
  argument.endArray();
  argument.endStructure();
  return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemProperties& item) {
  argument.beginStructure();
  argument << item.id << item.properties;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemProperties& item) {
  argument.beginStructure();
  argument >> item.id >> item.properties;
  argument.endStructure();
  return argument;
}

DBusMenuExporter::DBusMenuExporter(QObject* object, QMenu* menu) : QDBusAbstractAdaptor(object), menu(menu) {
  qDBusRegisterMetaType<DBusMenuLayout>();
  qDBusRegisterMetaType<DBusMenuItemProperties>();
  qDBusRegisterMetaType<QList<DBusMenuItemProperties>>();
}

QVariantMap DBusMenuExporter::ItemProperties(int id) const {
  if (id == 0) return {{QStringLiteral("children-display"), QStringLiteral("submenu")}};
  const QList<QAction*> actions = menu ? menu->actions() : QList<QAction*>();
  if (id < 1 || id > actions.size()) return {};
  const QAction* action = actions[id - 1];
  if (action->isSeparator()) return {{QStringLiteral("type"), QStringLiteral("separator")}};
  // The host marks mnemonics with '_', Qt with '&'.
  QString label = action->text();
  label.replace(QLatin1Char('_'), QStringLiteral("__")).replace(QLatin1Char('&'), QLatin1Char('_'));
  return {{QStringLiteral("label"), label},
          {QStringLiteral("enabled"), action->isEnabled()},
          {QStringLiteral("visible"), action->isVisible()}};
}

uint DBusMenuExporter::GetLayout(int parentId, int /*recursionDepth*/, const QStringList& /*propertyNames*/,
                                 taruk::DBusMenuLayout& layout) {
  layout = DBusMenuLayout{parentId, ItemProperties(parentId), {}};
  if (parentId == 0 && menu) {
    for (int id = 1; id <= menu->actions().size(); ++id) {
      layout.children << QVariant::fromValue(DBusMenuLayout{id, ItemProperties(id), {}});
    }
  }
  return 1;  // the menu never changes while it is exported
}

QList<DBusMenuItemProperties> DBusMenuExporter::GetGroupProperties(const QList<int>& ids,
                                                                   const QStringList& /*propertyNames*/) {
  QList<DBusMenuItemProperties> items;
  for (int id : ids) items << DBusMenuItemProperties{id, ItemProperties(id)};
  return items;
}

QDBusVariant DBusMenuExporter::GetProperty(int id, const QString& name) {
  return QDBusVariant(ItemProperties(id).value(name));
}

void DBusMenuExporter::Event(int id, const QString& eventId, const QDBusVariant& /*data*/, uint /*timestamp*/) {
  if (eventId != QLatin1String("clicked") || !menu) return;
  const QList<QAction*> actions = menu->actions();
  if (id < 1 || id > actions.size() || actions[id - 1]->isSeparator()) return;
  // The menu's own triggered() follows, as for a click in the menu.
  QAction* action = actions[id - 1];
  QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
}

bool DBusMenuExporter::AboutToShow(int /*id*/) { return false; }

}  // namespace taruk
