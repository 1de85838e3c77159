#include "gui/toolkit/message_box.h"

namespace taruk {

QMessageBox::StandardButton ShowMessageBox(QWidget* owner, const QString& title, const QString& text,
                                           QMessageBox::Icon icon, QMessageBox::StandardButtons buttons) {
  QMessageBox box(icon, title, text, buttons, owner);
  box.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
  const int answer = box.exec();
  return static_cast<QMessageBox::StandardButton>(answer);
}

void ShowStopError(const QString& text, QWidget* owner) {
  ShowMessageBox(owner, QStringLiteral("Error"), text, QMessageBox::Critical);
}

void ShowSystemErrorText(const QString& text, QWidget* owner) {
  ShowMessageBox(owner, QStringLiteral("Error"), text, QMessageBox::Information);
}

}  // namespace taruk
