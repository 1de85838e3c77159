#include "gui/win32/self_test_dlg.h"

#include <commctrl.h>

#include <utility>

#include "core/view/self_test_dialog.h"
#include "gui/window_commands.h"

namespace taruk::win32 {

bool CSelfTestDlg::OnInitDialog() {
  NameDriveInTitle(driveIndex, session.Shown());
  HWND log = Item(IdLog);
  ListView_SetExtendedListViewStyle(log, LVS_EX_FULLROWSELECT);
  for (int c = 0; c < static_cast<int>(kSelfTestLogHeadings.size()); ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = kSelfTestLogWidths[static_cast<size_t>(c)];
    column.pszText = const_cast<wchar_t*>(kSelfTestLogHeadings[static_cast<size_t>(c)]);
    column.iSubItem = c;
    ListView_InsertColumn(log, c, &column);
  }
  ShowSlot();
  return true;
}

void CSelfTestDlg::ShowSlot() {
  const DriveSlot& shown = session.Shown();
  const SelfTestButtons buttons = session.Buttons();
  const std::pair<int, bool> enabled[] = {{IdShort, buttons.shortTest},
                                          {IdExtended, buttons.extended},
                                          {IdConveyance, buttons.conveyance},
                                          {IdAbort, buttons.abort}};
  for (const auto& [id, on] : enabled) {
    // A button pressed is disabled while its request is on its way; the
    // focus it held would be lost, and with it Escape and Enter. It moves to
    // Close first.
    if (!on && GetFocus() == Item(id)) SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDOK)), TRUE);
    EnableWindow(Item(id), on);
  }
  SetItemText(IdStatus, SelfTestStatusLine(shown));
  SetItemText(IdErrorCount, SelfTestErrorCountLine(shown.selfTest));
  HWND log = Item(IdLog);
  ListView_DeleteAllItems(log);
  int row = 0;
  for (SelfTestLogRow& cells : SelfTestLogRows(shown)) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row++;
    item.pszText = cells[0].data();
    const int inserted = ListView_InsertItem(log, &item);
    for (int c = 1; c < static_cast<int>(cells.size()); ++c) {
      ListView_SetItemText(log, inserted, c, cells[static_cast<size_t>(c)].data());
    }
  }
  const std::optional<int> pollSeconds = session.PollSeconds();
  if (pollSeconds && !polling) {
    polling = true;
    SetTimer(window, kPollTimer, static_cast<UINT>(*pollSeconds) * 1000u, nullptr);
  }
}

void CSelfTestDlg::Ask(std::optional<SelfTestRequest> request) {
  if (const std::optional<SelfTestSession::Step> step = session.Ask(request)) Show(*step);
}

void CSelfTestDlg::Show(const SelfTestSession::Step& step) {
  if (step.replyLine) SetItemText(IdReply, *step.replyLine);
  if (step.asking) {
    KillTimer(window, kPollTimer);
    polling = false;
    SetTimer(window, kResultTimer, 200, nullptr);
  } else {
    KillTimer(window, kResultTimer);
  }
  ShowSlot();
}

void CSelfTestDlg::OnCommand(int id, int notification, HWND control) {
  if (const std::optional<SelfTestRequest> request = SelfTestRequestOf(id)) return Ask(request);
  DialogWindow::OnCommand(id, notification, control);
}

bool CSelfTestDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
  if (message != WM_TIMER) return false;
  if (wParam == kResultTimer) {
    if (const std::optional<SelfTestSession::Step> answered = session.TakeAnswer()) Show(*answered);
  }
  if (wParam == kPollTimer) {
    KillTimer(window, kPollTimer);
    polling = false;
    Ask(std::nullopt);
  }
  result = 0;
  return true;
}

}  // namespace taruk::win32
