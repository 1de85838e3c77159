#pragma once
// Menu resources (":/menus/<id>.json"): popups of items, each item a command
// id and its text, or a separator.

#include <QMenu>

namespace taruk {

// The menu with this resource id as a menu whose submenus are its popups, in
// order; each item's QAction carries its command id as data(). Null when
// the resource is missing or damaged.
QMenu* LoadMenuResource(int menuId, QWidget* parent);

// The command id an action of a loaded menu carries; 0 for none.
int CommandIdOf(const QAction* action);

// The n-th submenu of a loaded menu, or null.
QMenu* SubMenu(const QMenu& menu, int position);

}  // namespace taruk
