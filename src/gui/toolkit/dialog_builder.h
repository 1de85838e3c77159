#pragma once
// Turns a dialog template into widgets on a QDialog: each control placed by
// converting its dialog units with the dialog font's metrics, tagged with its
// numeric id, and its clicks reported as commands carrying that id.
//
//   DialogTemplate layout;
//   QString error;
//   if (!LoadDialogTemplate(134, layout, error) || !BuildDialog(layout, dialog, error)) ...
//   auto* poll = ControlById<QLineEdit>(dialog, 1018);
//   QObject::connect(CommandsOf(dialog), &DialogCommands::command, ...);
//
// Or derive from TemplateDialog (ui/template_dialog.h), which does all of this
// and routes the commands to one virtual handler.

#include <QDialog>
#include <QObject>
#include <QString>

#include <functional>

#include "gui/toolkit/dialog_template.h"
#include "gui/toolkit/dialog_units.h"

namespace taruk {

// What a control does, by id. Lives as a child of the built dialog.
class DialogCommands : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
 signals:
  // A button, check box or radio button was clicked (by mouse, keyboard or
  // as the default button on Enter).
  void command(int id);
  // The user picked an entry of a combo box.
  void selectionChanged(int id);
};

// Makes the widget for a control in place of the builder's own (a custom
// button, a drawing control). Returns null to let the builder make its usual
// widget. The builder then places it, tags it, sets its text and, for a
// QAbstractButton, reports its clicks.
using ControlFactory = std::function<QWidget*(const ControlTemplate& control, QWidget* parent)>;

// Builds every control of `layout` on `dialog` (which should have no
// children yet): caption, font, fixed client size, controls in template order.
// False with `error` when the dialog's font cannot be had (nothing is built).
bool BuildDialog(const DialogTemplate& layout, QDialog& dialog, QString& error, const ControlFactory& factory = {});

// The control with this id among the dialog's controls; null when there is
// none or it is not a T. Controls without an id (-1) are not found.
QWidget* FindControl(const QWidget& dialog, int id);
template <typename T = QWidget>
T* ControlById(const QWidget& dialog, int id) {
  return dynamic_cast<T*>(FindControl(dialog, id));
}
// The id a control was built with; -1 for none.
int ControlIdOf(const QWidget* control);

// The command source of a built dialog; null for a dialog not built here.
DialogCommands* CommandsOf(const QDialog& dialog);

// The conversion the dialog was laid out with (its font's metrics).
DialogUnits DialogUnitsOf(const QWidget& dialog);

// Window text as the templates write it: "\r\n" is a line break.
void SetControlText(QWidget* control, const QString& text);
QString ControlText(const QWidget* control);

}  // namespace taruk
