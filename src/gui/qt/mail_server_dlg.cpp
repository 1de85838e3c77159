#include "gui/qt/mail_server_dlg.h"

#include <QComboBox>
#include <QLineEdit>

#include "gui/toolkit/message_box.h"

namespace taruk {

namespace {

QString Q(const std::wstring& text) { return QString::fromStdWString(text); }

}  // namespace

CMailServerDlg::CMailServerDlg(QWidget* parent) : TemplateDialog(mail_server_ids::kTemplate, parent) {}

void CMailServerDlg::OnInitDialog() {
  auto* security = Control<QComboBox>(IdSecurity);
  for (const wchar_t* text : SecurityTexts) security->addItem(Q(text));
  security->setCurrentIndex(form.security);
  Control<QLineEdit>(IdServer)->setText(Q(form.server));
  Control<QLineEdit>(IdPort)->setText(Q(form.port));
  Control<QLineEdit>(IdUser)->setText(Q(form.user));
  Control<QLineEdit>(IdTrust)->setText(Q(form.trust));
  Control<QLineEdit>(IdSender)->setText(Q(form.sender));
  // A port typed by the user brings the security that goes with it.
  connect(Control<QLineEdit>(IdPort), &QLineEdit::textEdited, this, [security](const QString& port) {
    security->setCurrentIndex(SecurityForPort(port.toStdWString(), security->currentIndex()));
  });
}

MailServerForm CMailServerDlg::FromControls() const {
  MailServerForm read;
  read.server = Control<QLineEdit>(IdServer)->text().toStdWString();
  read.port = Control<QLineEdit>(IdPort)->text().toStdWString();
  read.security = Control<QComboBox>(IdSecurity)->currentIndex();
  read.user = Control<QLineEdit>(IdUser)->text().toStdWString();
  read.password = Control<QLineEdit>(IdPassword)->text().toStdWString();
  read.trust = Control<QLineEdit>(IdTrust)->text().toStdWString();
  read.sender = Control<QLineEdit>(IdSender)->text().toStdWString();
  return read;
}

void CMailServerDlg::OnCommand(int id) {
  if (id != kIdOk) {
    TemplateDialog::OnCommand(id);
    return;
  }
  std::wstring note;
  std::wstring error;
  form = FromControls();
  if (!StoreMailServerForm(form, note, error)) return ShowStopError(Q(error), this);
  if (!note.empty()) ShowMessageBox(this, QStringLiteral("Password"), Q(note), QMessageBox::Information);
  accept();
}

}  // namespace taruk
