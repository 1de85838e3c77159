#pragma once
// A dialog template as data: the dialog's caption, size and font, and its
// controls with their numeric ids, kinds, texts, styles and rectangles, all in
// dialog units. The templates live in res/dialogs/ and are compiled into the
// program as Qt resources (":/dialogs/<id>.json").

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

namespace taruk {

// Controls without an id of their own (labels, frames) carry -1.
constexpr int kNoControlId = -1;

enum class ControlKind {
  PushButton,
  DefPushButton,  // the dialog's default push button (Enter)
  CheckBox,       // automatic check box
  RadioButton,    // automatic radio button
  GroupBox,
  Static,         // text label; wraps words like a Windows static
  Icon,           // static icon, sized to the icon as a Windows static icon is
  Edit,
  UpDown,         // arrows that step the integer in a buddy edit box
  ComboBox,       // drop-down list; the rectangle's height includes the list
  ListView,       // report view with columns
};

struct ControlTemplate {
  int id = kNoControlId;
  ControlKind kind = ControlKind::Static;
  QString text;
  QRect rect;                 // dialog units
  QStringList style;          // "hidden", "multiline", "right", "center", "border", ...
  int iconId = 0;             // Icon: the icon resource
  int buddyId = kNoControlId;  // UpDown: the edit box it steps

  bool Has(const char* flag) const { return style.contains(QLatin1String(flag)); }
};

struct DialogTemplate {
  int id = 0;
  QString caption;
  QSize size;  // client area, dialog units
  QString fontName;
  int fontPoints = 8;
  QStringList style;  // "visible", "minimizebox", "appwindow", ...
  QVector<ControlTemplate> controls;

  bool Has(const char* flag) const { return style.contains(QLatin1String(flag)); }
  // The first control with this id, or null.
  const ControlTemplate* Control(int controlId) const;
};

// Parses one template from its JSON text. False with a one-line `error`
// (unknown kind, missing rectangle, ...); `dialogTemplate` is then untouched.
bool ParseDialogTemplate(const QByteArray& json, DialogTemplate& dialogTemplate, QString& error);

// The template compiled into the program under its resource id.
bool LoadDialogTemplate(int templateId, DialogTemplate& dialogTemplate, QString& error);

}  // namespace taruk
