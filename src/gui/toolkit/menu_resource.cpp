#include "gui/toolkit/menu_resource.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "gui/toolkit/resources.h"

namespace taruk {

QMenu* LoadMenuResource(int menuId, QWidget* parent) {
  EnsureResources();
  QFile file(QStringLiteral(":/menus/%1.json").arg(menuId));
  if (!file.open(QIODevice::ReadOnly)) return nullptr;
  const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
  const QJsonArray popups = document.object().value(QLatin1String("popups")).toArray();
  if (popups.isEmpty()) return nullptr;
  auto* menu = new QMenu(parent);
  for (const QJsonValue& popupValue : popups) {
    const QJsonObject popup = popupValue.toObject();
    QMenu* submenu = menu->addMenu(popup.value(QLatin1String("text")).toString());
    for (const QJsonValue& itemValue : popup.value(QLatin1String("items")).toArray()) {
      const QJsonObject item = itemValue.toObject();
      if (item.value(QLatin1String("separator")).toBool()) {
        submenu->addSeparator();
        continue;
      }
      QAction* action = submenu->addAction(item.value(QLatin1String("text")).toString());
      action->setData(item.value(QLatin1String("id")).toInt());
    }
  }
  return menu;
}

int CommandIdOf(const QAction* action) { return action ? action->data().toInt() : 0; }

QMenu* SubMenu(const QMenu& menu, int position) {
  const QList<QAction*> actions = menu.actions();
  if (position < 0 || position >= actions.size()) return nullptr;
  return actions[position]->menu();
}

}  // namespace taruk
