#include "gui/toolkit/menu_resource.h"

#include <QFile>

#include "gui/templates/resource_templates.h"
#include "gui/toolkit/resources.h"

namespace taruk {

QMenu* LoadMenuResource(int menuId, QWidget* parent) {
  EnsureResources();
  QFile file(QStringLiteral(":/menus/%1.json").arg(menuId));
  if (!file.open(QIODevice::ReadOnly)) return nullptr;
  const QByteArray json = file.readAll();
  MenuResource resource;
  std::string error;
  if (!ParseMenuResource(std::string_view(json.constData(), static_cast<size_t>(json.size())), resource, error)) {
    return nullptr;
  }
  auto* menu = new QMenu(parent);
  for (const MenuPopupResource& popup : resource.popups) {
    QMenu* submenu = menu->addMenu(QString::fromStdString(popup.text));
    for (const MenuItemResource& item : popup.items) {
      if (item.separator) {
        submenu->addSeparator();
        continue;
      }
      submenu->addAction(QString::fromStdString(item.text))->setData(item.id);
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
