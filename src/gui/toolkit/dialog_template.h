#pragma once
// A dialog template as data: the dialog's caption, size and font, and its
// controls with their numeric ids, kinds, texts, styles and rectangles, all in
// dialog units. The templates live in res/dialogs/ and are compiled into the
// program as Qt resources (":/dialogs/<id>.json") and read by the reader the
// Windows resource script is made with (gui/templates).

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

#include "gui/templates/resource_templates.h"

namespace taruk {

struct ControlTemplate {
  int id = kNoControlId;
  ControlKind kind = ControlKind::Static;
  QString text;
  QRect rect;                  // dialog units
  QStringList style;           // "hidden", "multiline", "right", "center", "border", ...
  int iconId = 0;              // Icon: the icon resource
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
