#include "gui/qt/about_dlg.h"

namespace taruk {

CAboutDlg::CAboutDlg(QWidget* parent) : TemplateDialog(100, parent) {}

}  // namespace taruk
