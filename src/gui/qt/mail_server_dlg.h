#pragma once
// The "Mail server" dialog (template 141): the server field and taruk.toml's
// [mail] values, and a password for the system's password store. The fields
// and their checks are core/view/mail_server_form.h; OK stores them.
//
//   CMailServerDlg dialog(parent);
//   dialog.form = MailServerFormFrom(server, side);
//   if (dialog.exec() == QDialog::Accepted) server = dialog.form.server;

#include "core/view/mail_server_form.h"
#include "gui/mail_server_ids.h"
#include "gui/toolkit/template_dialog.h"

namespace taruk {

class CMailServerDlg : public TemplateDialog {
  Q_OBJECT
 public:
  using enum mail_server_ids::Control;

  explicit CMailServerDlg(QWidget* parent = nullptr);

  MailServerForm form;

 protected:
  void OnInitDialog() override;
  void OnCommand(int id) override;

 private:
  MailServerForm FromControls() const;
};

}  // namespace taruk
