#include "gui/qt/smart_details_dlg.h"

#include <QHeaderView>
#include <QTreeWidget>

#include "core/view/smart_details_rows.h"
#include "core/view/window_texts.h"
#include "core/drive/slot_health.h"
#include "core/drive/drive_slot.h"
#include "gui/qt/health_badge.h"
#include "gui/qt/self_test_dlg.h"
#include "gui/self_test_ids.h"

namespace taruk {

namespace {

struct Column {
  const char* heading;
  Qt::Alignment alignment;
  int width;  // pixels
};

constexpr Column kColumns[] = {
    {"#", Qt::AlignRight, 40},         {"Attribute", Qt::AlignLeft, 300}, {"Value", Qt::AlignLeft, 70},
    {"Threshold", Qt::AlignLeft, 70},  {"Worst", Qt::AlignLeft, 70},      {"Raw", Qt::AlignLeft, 130},
    {"Decoded", Qt::AlignLeft, 120},
};

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

  const int columnCount = static_cast<int>(std::size(kColumns));
  list->setColumnCount(columnCount);
  auto* header = new QTreeWidgetItem;
  for (int c = 0; c < columnCount; ++c) {
    header->setText(c, QString::fromLatin1(kColumns[c].heading));
    header->setTextAlignment(c, kColumns[c].alignment | Qt::AlignVCenter);
  }
  list->setHeaderItem(header);
  // Fixed widths that the user may still drag; nothing stretches to fill.
  list->header()->setStretchLastSection(false);
  for (int c = 0; c < columnCount; ++c) list->setColumnWidth(c, kColumns[c].width);

  const bool known = drive >= 0 && static_cast<size_t>(drive) < driveSlots.size();
  Control(self_test_ids::kOpenButton)->setEnabled(known && driveSlots[static_cast<size_t>(drive)].IsPresent());
  if (!known) return;
  const DriveSlot& slot = driveSlots[static_cast<size_t>(drive)];
  setWindowTitle(QString::fromStdWString(DriveWindowTitle(windowTitle().toStdWString(), drive, slot)));
  for (const SmartDetailsRow& row : SmartDetailsRows(slot)) {
    auto* item = new QTreeWidgetItem;
    for (int c = 0; c < columnCount; ++c) {
      item->setText(c, QString::fromStdWString(row[static_cast<size_t>(c)]));
      item->setTextAlignment(c, kColumns[c].alignment | Qt::AlignVCenter);
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
  // The list leaves out empty entries, so entry j is the row of the entries
  // before it that hold an attribute.
  std::array<int, kAttributeCount> rowOfEntry{};
  int row = 0;
  for (int j = 0; j < kAttributeCount; ++j) rowOfEntry[j] = slot.attributes[j].id != 0 ? row++ : -1;

  QTreeWidget* list = AttributeList();
  for (const HealthReason& reason : SlotHealth(slot).reasons) {
    if (reason.attributeEntry < 0 || reason.attributeEntry >= kAttributeCount) continue;
    QTreeWidgetItem* item = list->topLevelItem(rowOfEntry[reason.attributeEntry]);
    if (!item) continue;
    // A row behind two reasons (failing and counted) takes the heavier colour.
    const bool alreadyBad = item->data(0, Qt::UserRole).toInt() == static_cast<int>(HealthVerdict::Bad);
    const HealthVerdict weight = alreadyBad ? HealthVerdict::Bad : reason.weight;
    const QString tip = item->toolTip(0).isEmpty() ? QString::fromStdWString(reason.text)
                                                   : item->toolTip(0) + "\n" + QString::fromStdWString(reason.text);
    item->setData(0, Qt::UserRole, static_cast<int>(weight));
    for (int c = 0; c < item->columnCount(); ++c) {
      item->setBackground(c, HealthRowColor(weight));
      item->setToolTip(c, tip);
    }
  }
}

}  // namespace taruk
