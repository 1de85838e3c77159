#include "gui/win32/self_test_dlg.h"

#include <commctrl.h>

#include <utility>

#include "core/view/self_test_dialog.h"
#include "gui/window_commands.h"

namespace taruk::win32 {

bool CSelfTestDlg::OnInitDialog() {
  NameDriveInTitle(driveIndex, shown);
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
  const SelfTestButtons buttons = SelfTestButtonsFor(shown.selfTest, job.Busy() || !drives);
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
  if (shown.selfTest.running && drives && !job.Busy() && !polling) {
    polling = true;
    SetTimer(window, kPollTimer, static_cast<UINT>(SelfTestPollSeconds(shown.selfTest)) * 1000u, nullptr);
  }
}

void CSelfTestDlg::Ask(std::optional<SelfTestRequest> request) {
  if (!drives || job.Busy()) return;
  if (!job.Start(drives->Open(shown.systemNumber), request, shown)) {
    SetItemText(IdReply, L"The drive could not be opened");
    return;
  }
  if (request) SetItemText(IdReply, L"Asking the drive...");
  KillTimer(window, kPollTimer);
  polling = false;
  SetTimer(window, kResultTimer, 200, nullptr);
  ShowSlot();
}

void CSelfTestDlg::TakeResult() {
  std::optional<SelfTestJobResult> result = job.Take();
  if (!result) return;
  KillTimer(window, kResultTimer);
  shown = std::move(result->slot);
  if (result->request) SetItemText(IdReply, SelfTestReplyLine(*result->request, result->reply));
  ShowSlot();
}

void CSelfTestDlg::OnCommand(int id, int notification, HWND control) {
  if (const std::optional<SelfTestRequest> request = SelfTestRequestOf(id)) return Ask(request);
  DialogWindow::OnCommand(id, notification, control);
}

bool CSelfTestDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
  if (message != WM_TIMER) return false;
  if (wParam == kResultTimer) TakeResult();
  if (wParam == kPollTimer) {
    KillTimer(window, kPollTimer);
    polling = false;
    Ask(std::nullopt);
  }
  result = 0;
  return true;
}

}  // namespace taruk::win32
