#include "ui/message_boxes.h"

#include <QMessageBox>

namespace {

void ShowErrorBox(QMessageBox::Icon icon, const QString& text, QWidget* owner) {
  QMessageBox box(icon, QStringLiteral("Error"), text, QMessageBox::Ok, owner);
  box.exec();
}

}  // namespace

void ShowStopError(const QString& text, QWidget* owner) { ShowErrorBox(QMessageBox::Critical, text, owner); }

void ShowSystemErrorText(const QString& text, QWidget* owner) {
  ShowErrorBox(QMessageBox::Information, text, owner);
}
