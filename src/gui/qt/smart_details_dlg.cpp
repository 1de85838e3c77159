#include "gui/qt/smart_details_dlg.h"

#include <QHeaderView>
#include <QTreeWidget>

#include "core/drive/drive_slot.h"
#include "core/view/health_look.h"
#include "core/view/smart_details_rows.h"
#include "core/view/window_texts.h"
#include "gui/qt/colours.h"
#include "gui/qt/self_test_dlg.h"
#include "gui/self_test_ids.h"

namespace taruk {

namespace {

Qt::Alignment AlignmentOf(const DetailsColumn& column) {
  return (column.alignRight ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

}  // namespace

CSmartDetailsDlg::CSmartDetailsDlg(const DriveSlots& driveSlots, int drive, QWidget* parent)
    : TemplateDialog(131, parent), drive(drive), driveSlots(driveSlots) {}

QTreeWidget* CSmartDetailsDlg::AttributeList() const { return Control<QTreeWidget>(IdAttributeList); }

void CSmartDetailsDlg::OnInitDialog() {
  QTreeWidget* list = AttributeList();
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setAllColumnsShowFocus(true);
  list->setSortingEnabled(false);

  const int columnCount = static_cast<int>(std::size(kDetailsColumns));
  list->setColumnCount(columnCount);
  auto* header = new QTreeWidgetItem;
  for (int c = 0; c < columnCount; ++c) {
    header->setText(c, QString::fromWCharArray(kDetailsColumns[c].heading));
    header->setTextAlignment(c, AlignmentOf(kDetailsColumns[c]));
  }
  list->setHeaderItem(header);
  // Fixed widths that the user may still drag; nothing stretches to fill.
  list->header()->setStretchLastSection(false);
  for (int c = 0; c < columnCount; ++c) list->setColumnWidth(c, kDetailsColumns[c].width);

  const bool known = drive >= 0 && static_cast<size_t>(drive) < driveSlots.size();
  Control(self_test_ids::kOpenButton)->setEnabled(known && driveSlots[static_cast<size_t>(drive)].IsPresent());
  if (!known) return;
  const DriveSlot& slot = driveSlots[static_cast<size_t>(drive)];
  setWindowTitle(QString::fromStdWString(DriveWindowTitle(windowTitle().toStdWString(), drive, slot)));
  for (const SmartDetailsRow& row : SmartDetailsRows(slot)) {
    auto* item = new QTreeWidgetItem;
    for (int c = 0; c < columnCount; ++c) {
      item->setText(c, QString::fromStdWString(row[static_cast<size_t>(c)]));
      item->setTextAlignment(c, AlignmentOf(kDetailsColumns[c]));
    }
    list->addTopLevelItem(item);
  }
  MarkHealthRows(slot);
}

void CSmartDetailsDlg::OnCommand(int id) {
  if (id != self_test_ids::kOpenButton) return TemplateDialog::OnCommand(id);
  CSelfTestDlg(drives, driveSlots[static_cast<size_t>(drive)], drive, this).exec();
}

void CSmartDetailsDlg::MarkHealthRows(const DriveSlot& slot) {
  QTreeWidget* list = AttributeList();
  const std::vector<DetailsRowMark> marks = DetailsRowMarks(slot);
  for (size_t row = 0; row < marks.size(); ++row) {
    const std::optional<RgbColour> colour = HealthRowColour(marks[row].weight);
    QTreeWidgetItem* item = list->topLevelItem(static_cast<int>(row));
    if (!colour || !item) continue;
    for (int c = 0; c < item->columnCount(); ++c) {
      item->setBackground(c, ToQColor(*colour));
      item->setToolTip(c, QString::fromStdWString(marks[row].tip));
    }
  }
}

}  // namespace taruk
