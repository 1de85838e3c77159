#pragma once
// CAboutDlg: template 100, the program's name and version. OK, Escape and
// the close box end it.

#include "gui/win32/dialog_window.h"

namespace taruk::win32 {

class CAboutDlg : public DialogWindow {
 public:
  CAboutDlg() : DialogWindow(100) {}
};

}  // namespace taruk::win32
