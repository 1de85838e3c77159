#pragma once
// The "Mail server" dialog (template 141): the server field and taruk.toml's
// [mail] values, and a password for the Credential Manager. The fields and
// their checks are core/view/mail_server_form.h; OK stores them.

#include "core/view/mail_server_form.h"
#include "gui/mail_server_ids.h"
#include "gui/win32/dialog_window.h"

namespace taruk::win32 {

class CMailServerDlg : public DialogWindow {
 public:
  using enum mail_server_ids::Control;

  CMailServerDlg() : DialogWindow(mail_server_ids::kTemplate) {}

  MailServerForm form;

 protected:
  bool OnInitDialog() override;
  void OnCommand(int id, int notification, HWND control) override;

 private:
  MailServerForm FromControls() const;
};

}  // namespace taruk::win32
