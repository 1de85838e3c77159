#pragma once
// The two kinds of error box the dialogs show, both titled "Error": a refused
// input or failed test with the stop icon, and the system's text for a
// failure with the information icon.

#include <QString>

class QWidget;

void ShowStopError(const QString& text, QWidget* owner);
void ShowSystemErrorText(const QString& text, QWidget* owner);
