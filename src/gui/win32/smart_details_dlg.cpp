#include "gui/win32/smart_details_dlg.h"

#include <commctrl.h>

#include <iterator>

#include "core/drive/slot_health.h"
#include "core/view/smart_details_rows.h"
#include "gui/self_test_ids.h"
#include "gui/win32/self_test_dlg.h"

namespace taruk::win32 {

namespace {

struct Column {
  const wchar_t* heading;
  int format;
  int width;  // pixels
};

constexpr Column kColumns[] = {
    {L"#", LVCFMT_RIGHT, 40},        {L"Attribute", LVCFMT_LEFT, 300}, {L"Value", LVCFMT_LEFT, 70},
    {L"Threshold", LVCFMT_LEFT, 70}, {L"Worst", LVCFMT_LEFT, 70},      {L"Raw", LVCFMT_LEFT, 130},
    {L"Decoded", LVCFMT_LEFT, 120},
};

// The rows behind a health reason: pale amber for a caution, pale red for a
// failing attribute.
COLORREF HealthRowColour(HealthVerdict weight) {
  return weight == HealthVerdict::Bad ? RGB(255, 200, 200) : RGB(255, 236, 170);
}

}  // namespace

bool CSmartDetailsDlg::OnInitDialog() {
  HWND list = Item(IdAttributeList);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  for (int c = 0; c < static_cast<int>(std::size(kColumns)); ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = kColumns[c].format;
    column.cx = kColumns[c].width;
    column.pszText = const_cast<wchar_t*>(kColumns[c].heading);
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
  rowWeights.assign(static_cast<size_t>(row), 0);
  MarkHealthRows(slot);
  return true;
}

void CSmartDetailsDlg::OnCommand(int id, int notification, HWND control) {
  if (id != self_test_ids::kOpenButton) return DialogWindow::OnCommand(id, notification, control);
  CSelfTestDlg(drives, driveSlots[static_cast<size_t>(drive)], drive).DoModal(window);
}

void CSmartDetailsDlg::MarkHealthRows(const DriveSlot& slot) {
  // The list leaves out empty entries, so entry j is the row of the entries
  // before it that hold an attribute.
  std::array<int, kAttributeCount> rowOfEntry{};
  int row = 0;
  for (int j = 0; j < kAttributeCount; ++j) {
    rowOfEntry[static_cast<size_t>(j)] = slot.attributes[j].id != 0 ? row++ : -1;
  }
  for (const HealthReason& reason : SlotHealth(slot).reasons) {
    if (reason.attributeEntry < 0 || reason.attributeEntry >= kAttributeCount) continue;
    const int target = rowOfEntry[static_cast<size_t>(reason.attributeEntry)];
    if (target < 0 || target >= static_cast<int>(rowWeights.size())) continue;
    // A row behind two reasons (failing and counted) takes the heavier colour.
    int& weight = rowWeights[static_cast<size_t>(target)];
    if (weight != static_cast<int>(HealthVerdict::Bad)) weight = static_cast<int>(reason.weight);
  }
}

bool CSmartDetailsDlg::OnMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR& result) {
  if (message != WM_NOTIFY) return false;
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  if (header->idFrom != IdAttributeList || header->code != NM_CUSTOMDRAW) return false;
  auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
  if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
    result = CDRF_NOTIFYITEMDRAW;
    return true;
  }
  if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
    const size_t row = static_cast<size_t>(draw->nmcd.dwItemSpec);
    if (row < rowWeights.size() && rowWeights[row] != 0) {
      draw->clrTextBk = HealthRowColour(static_cast<HealthVerdict>(rowWeights[row]));
    }
    result = CDRF_DODEFAULT;
    return true;
  }
  return false;
}

}  // namespace taruk::win32
