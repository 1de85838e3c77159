#include "ui/smart_details_dlg.h"

#include <QHeaderView>
#include <QTreeWidget>

#include "app/smart_details_rows.h"
#include "drive/drive_slot.h"

namespace {

struct Column {
  const char* heading;
  Qt::Alignment alignment;
  int width;  // pixels
};

constexpr Column kColumns[] = {
    {"#", Qt::AlignRight, 40},         {"Attribute", Qt::AlignLeft, 300}, {"Value", Qt::AlignLeft, 70},
    {"Threshold", Qt::AlignLeft, 70},  {"Worst", Qt::AlignLeft, 70},      {"Raw", Qt::AlignLeft, 130},
};

}  // namespace

CSmartDetailsDlg::CSmartDetailsDlg(int drive, QWidget* parent) : TemplateDialog(131, parent), drive(drive) {}

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

  if (drive < 0 || drive >= kDriveCount) return;
  for (const SmartDetailsRow& row : SmartDetailsRows(driveSlots[static_cast<size_t>(drive)])) {
    auto* item = new QTreeWidgetItem;
    for (int c = 0; c < columnCount; ++c) {
      item->setText(c, QString::fromStdWString(row[static_cast<size_t>(c)]));
      item->setTextAlignment(c, kColumns[c].alignment | Qt::AlignVCenter);
    }
    list->addTopLevelItem(item);
  }
}
