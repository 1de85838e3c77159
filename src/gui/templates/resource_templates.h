#pragma once
// The window resources as data, read from res/: dialog templates
// (res/dialogs/*.json: caption, size, font, and controls in dialog units), the
// notification-area menu (res/menu_*.json) and the string table
// (res/strings.json). Plain C++: the Qt windows build their dialogs from it,
// and the Windows build's resource-script maker, which runs on the build
// machine, writes the .rc from it.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace taruk {

// Controls without an id of their own (labels, frames) carry -1.
constexpr int kNoControlId = -1;

enum class ControlKind {
  PushButton,
  DefPushButton,  // the dialog's default push button (Enter)
  CheckBox,       // automatic check box
  RadioButton,    // automatic radio button
  GroupBox,
  Static,  // text label; wraps words like a Windows static
  Icon,    // static icon, sized to the icon as a Windows static icon is
  Edit,
  UpDown,    // arrows that step the integer in a buddy edit box
  ComboBox,  // drop-down list; the rectangle's height includes the list
  ListView,  // report view with columns
};

// x, y, width, height in dialog units.
struct DialogRect {
  int x = 0, y = 0, width = 0, height = 0;
};

struct ControlResource {
  int id = kNoControlId;
  ControlKind kind = ControlKind::Static;
  std::string text;  // UTF-8
  DialogRect rect;
  std::vector<std::string> style;  // "hidden", "multiline", "right", "border", ...
  int iconId = 0;                  // Icon: the icon resource
  int buddyId = kNoControlId;      // UpDown: the edit box it steps
};

struct DialogResource {
  int id = 0;
  std::string caption;
  int width = 0, height = 0;  // client area, dialog units
  std::string fontName;
  int fontPoints = 8;
  std::vector<std::string> style;  // "visible", "minimizebox", "appwindow", ...
  std::vector<ControlResource> controls;
};

struct MenuItemResource {
  bool separator = false;
  int id = 0;
  std::string text;
};

struct MenuPopupResource {
  std::string text;
  std::vector<MenuItemResource> items;
};

struct MenuResource {
  int id = 0;
  std::vector<MenuPopupResource> popups;
};

// Each parser: false with a one-line `error` (not JSON, unknown kind, missing
// rectangle, ...); the output is then untouched.
bool ParseDialogResource(std::string_view json, DialogResource& dialog, std::string& error);
bool ParseMenuResource(std::string_view json, MenuResource& menu, std::string& error);
// The string table's id/text pairs in the file's order.
bool ParseStringTable(std::string_view json, std::vector<std::pair<int, std::string>>& strings, std::string& error);

const char* ControlKindName(ControlKind kind);

}  // namespace taruk
