#include "gui/toolkit/template_dialog.h"

namespace taruk {

TemplateDialog::TemplateDialog(int templateId, QWidget* parent, const ControlFactory& factory) : QDialog(parent) {
  DialogTemplate layout;
  built = LoadDialogTemplate(templateId, layout, buildError) && BuildDialog(layout, *this, buildError, factory);
  if (!built) {
    qWarning("taruk: %s", qPrintable(buildError));
    return;
  }
  DialogCommands* commands = CommandsOf(*this);
  connect(commands, &DialogCommands::command, this, &TemplateDialog::RouteCommand);
  connect(commands, &DialogCommands::selectionChanged, this, [this](int id) { OnSelectionChanged(id); });
}

void TemplateDialog::InitDialogOnce() {
  if (initialised || !built) return;
  initialised = true;
  OnInitDialog();
}

void TemplateDialog::setVisible(bool visible) {
  if (visible) InitDialogOnce();
  QDialog::setVisible(visible);
}

void TemplateDialog::RouteCommand(int id) {
  emit command(id);
  OnCommand(id);
}

void TemplateDialog::OnCommand(int id) {
  if (id == kIdOk) {
    accept();
  } else if (id == kIdCancel) {
    QDialog::reject();
  }
}

void TemplateDialog::reject() { RouteCommand(kIdCancel); }

}  // namespace taruk
