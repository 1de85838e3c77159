#include "gui/win32/smart_details_dlg.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "core/view/health_look.h"
#include "gui/self_test_ids.h"
#include "gui/win32/colours.h"
#include "gui/win32/self_test_dlg.h"

namespace taruk::win32 {

namespace {

// The tip of a marked row, cut to the list's buffer (the list asks with room
// for at most `room` characters, the end included).
void CopyTip(const std::wstring& tip, wchar_t* buffer, int room) {
  if (!buffer || room <= 0) return;
  const size_t length = std::min(tip.size(), static_cast<size_t>(room - 1));
  tip.copy(buffer, length);
  buffer[length] = L'\0';
}

}  // namespace

bool CSmartDetailsDlg::OnInitDialog() {
  HWND list = Item(IdAttributeList);
  // The info tips carry the health reasons behind a marked row.
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
  for (int c = 0; c < static_cast<int>(std::size(kDetailsColumns)); ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = kDetailsColumns[c].alignRight ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.cx = kDetailsColumns[c].width;
    column.pszText = const_cast<wchar_t*>(kDetailsColumns[c].heading);
    column.iSubItem = c;
    ListView_InsertColumn(list, c, &column);
  }
  const bool known = drive >= 0 && static_cast<size_t>(drive) < driveSlots.size();
  EnableWindow(Item(self_test_ids::kOpenButton), known && driveSlots[static_cast<size_t>(drive)].IsPresent());
  if (!known) return true;
  const DriveSlot& slot = driveSlots[static_cast<size_t>(drive)];
  NameDriveInTitle(drive, slot);
  int row = 0;
  for (SmartDetailsRow& cells : SmartDetailsRows(slot)) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = cells[0].data();
    const int inserted = ListView_InsertItem(list, &item);
    for (int c = 1; c < static_cast<int>(cells.size()); ++c) {
      ListView_SetItemText(list, inserted, c, cells[static_cast<size_t>(c)].data());
    }
    ++row;
  }
  rowMarks = DetailsRowMarks(slot);
  return true;
}

void CSmartDetailsDlg::OnCommand(int id, int notification, HWND control) {
  if (id != self_test_ids::kOpenButton) return DialogWindow::OnCommand(id, notification, control);
  CSelfTestDlg(drives, driveSlots[static_cast<size_t>(drive)], drive).DoModal(window);
}

bool CSmartDetailsDlg::OnMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR& result) {
  if (message != WM_NOTIFY) return false;
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  if (header->idFrom != IdAttributeList) return false;
  if (header->code == LVN_GETINFOTIPW) {
    auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(lParam);
    const size_t row = static_cast<size_t>(tip->iItem);
    if (row < rowMarks.size() && !rowMarks[row].tip.empty()) CopyTip(rowMarks[row].tip, tip->pszText, tip->cchTextMax);
    result = 0;
    return true;
  }
  if (header->code != NM_CUSTOMDRAW) return false;
  auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
  if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
    result = CDRF_NOTIFYITEMDRAW;
    return true;
  }
  if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
    const size_t row = static_cast<size_t>(draw->nmcd.dwItemSpec);
    const std::optional<RgbColour> colour =
        row < rowMarks.size() ? HealthRowColour(rowMarks[row].weight) : std::nullopt;
    if (colour) draw->clrTextBk = ToColorRef(*colour);
    result = CDRF_DODEFAULT;
    return true;
  }
  return false;
}

}  // namespace taruk::win32
