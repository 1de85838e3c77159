#pragma once
// The program's message boxes: a title, a text, an icon and buttons, modal to
// the owner window.

#include <QMessageBox>
#include <QString>

namespace taruk {

QMessageBox::StandardButton ShowMessageBox(QWidget* owner, const QString& title, const QString& text,
                                           QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// The two error boxes titled "Error": a refused input or a failed test with
// the stop icon, and the system's text for a failure with the information
// icon.
void ShowStopError(const QString& text, QWidget* owner);
void ShowSystemErrorText(const QString& text, QWidget* owner);

}  // namespace taruk
