#pragma once
// CAboutDlg: the program's name, version and icon (template 100). OK, Escape
// and the close box all just end it.

#include "gui/toolkit/template_dialog.h"

namespace taruk {

class CAboutDlg : public TemplateDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace taruk
