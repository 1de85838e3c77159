#include "gui/win32/mail_server_dlg.h"

#include "gui/win32/message_box.h"

namespace taruk::win32 {

bool CMailServerDlg::OnInitDialog() {
  const HWND security = Item(IdSecurity);
  for (const wchar_t* text : SecurityTexts) SendMessageW(security, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  // The port first: its change notice picks the port's security, which the
  // stored choice then overrides.
  SetItemText(IdPort, form.port);
  SendMessageW(security, CB_SETCURSEL, static_cast<WPARAM>(form.security), 0);
  SetItemText(IdServer, form.server);
  SetItemText(IdUser, form.user);
  SetItemText(IdTrust, form.trust);
  SetItemText(IdSender, form.sender);
  return true;
}

MailServerForm CMailServerDlg::FromControls() const {
  MailServerForm read;
  read.server = ItemText(IdServer);
  read.port = ItemText(IdPort);
  read.security = static_cast<int>(SendMessageW(Item(IdSecurity), CB_GETCURSEL, 0, 0));
  read.user = ItemText(IdUser);
  read.password = ItemText(IdPassword);
  read.trust = ItemText(IdTrust);
  read.sender = ItemText(IdSender);
  return read;
}

void CMailServerDlg::OnCommand(int id, int notification, HWND control) {
  if (id == IdPort && notification == EN_CHANGE) {
    // A port typed by the user brings the security that goes with it.
    const HWND security = Item(IdSecurity);
    const int current = static_cast<int>(SendMessageW(security, CB_GETCURSEL, 0, 0));
    SendMessageW(security, CB_SETCURSEL, static_cast<WPARAM>(SecurityForPort(ItemText(IdPort), current)), 0);
    return;
  }
  if (id != IDOK) {
    DialogWindow::OnCommand(id, notification, control);
    return;
  }
  std::wstring note;
  std::wstring error;
  form = FromControls();
  if (!StoreMailServerForm(form, note, error)) return ShowStopError(error, window);
  if (!note.empty()) MessageBoxW(window, note.c_str(), L"Password", MB_OK | MB_ICONINFORMATION);
  EndDialog(IDOK);
}

}  // namespace taruk::win32
