#pragma once
// The program's message boxes: a title, a text, an icon and buttons, modal to
// the owner window.

#include <QMessageBox>
#include <QString>

QMessageBox::StandardButton ShowMessageBox(QWidget* owner, const QString& title, const QString& text,
                                           QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons = QMessageBox::Ok);
