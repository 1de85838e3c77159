#include "gui/windows/about_dlg.h"

CAboutDlg::CAboutDlg(QWidget* parent) : TemplateDialog(100, parent) {}
