// The S.M.A.R.T. details dialog: its columns, and rows read once in page order.
#include "gui/qt/smart_details_dlg.h"

#include <QHeaderView>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "core/drive/drive_slot.h"
#include "core/view/window_palette.h"
#include "gui/qt/colours.h"
#include "gui/qt/health_badge.h"

using namespace taruk;

namespace {

QStringList Row(const QTreeWidget* list, int row) {
  QStringList cells;
  for (int c = 0; c < list->columnCount(); ++c) cells << list->topLevelItem(row)->text(c);
  return cells;
}

}  // namespace

TEST(SmartDetailsDlg, ColumnsInOrderAndNoRowsForADriveNeverRead) {
  DriveSlots driveSlots = DriveSlots(kDiskButtonCount);
  driveSlots[1].capacityGb = 80;
  driveSlots[1].model = L"ST3160023A   ";
  driveSlots[1].serialNumber = L"   5JS1";
  CSmartDetailsDlg dialog(driveSlots, 1);
  ASSERT_TRUE(dialog.IsBuilt()) << dialog.BuildError().toStdString();
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "S.M.A.R.T. details - HD1: ST3160023A, S/N 5JS1");
  const QTreeWidget* list = dialog.AttributeList();
  ASSERT_EQ(list->columnCount(), 7);
  const QStringList headings = {"#", "Attribute", "Value", "Threshold", "Worst", "Raw", "Decoded"};
  const int widths[] = {40, 300, 70, 70, 70, 130, 120};
  for (int c = 0; c < 7; ++c) {
    EXPECT_EQ(list->headerItem()->text(c), headings[c]);
    EXPECT_EQ(list->columnWidth(c), widths[c]) << c;
  }
  EXPECT_TRUE(list->headerItem()->textAlignment(0) & Qt::AlignRight);
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list->topLevelItemCount(), 0);
}

TEST(SmartDetailsDlg, RowsFollowThePageReadOnceAtOpening) {
  DriveSlots driveSlots = DriveSlots(kDiskButtonCount);
  DriveSlot& slot = driveSlots[2];
  slot.capacityGb = 40;
  const uint8_t ids[18] = {1, 3, 4, 5, 7, 9, 10, 12, 190, 191, 192, 193, 194, 197, 198, 199, 210, 241};
  for (size_t j = 0, entry = 0; j < 18; ++j, ++entry) {
    if (entry == 5) ++entry;  // an empty entry between filled ones
    slot.attributes[entry] = {ids[j], 100, 90, 6, {}};
  }
  slot.attributes[13] = {194, 45, 60, 0, {0x2D, 0x00, 0x14, 0x00, 0x00, 0x00}};
  CSmartDetailsDlg dialog(driveSlots, 2);
  dialog.show();
  QTreeWidget* list = dialog.AttributeList();
  ASSERT_EQ(list->topLevelItemCount(), 18);
  for (int j = 0; j < 18; ++j) EXPECT_EQ(list->topLevelItem(j)->text(0), QString::number(ids[j])) << j;
  EXPECT_EQ(Row(list, 5), (QStringList{"9", "Power On Hours Count    ", "100", "6", "90", "000000000000", "0 hours"}));
  EXPECT_EQ(Row(list, 12), (QStringList{"194", "Temperature ", "45", "0", "60", "00000014002d", "45 \u00B0C"}));
  EXPECT_EQ(Row(list, 0)[6], "");  // a raw layout of the vendor's own
  EXPECT_EQ(Row(list, 16)[1], "(Unknown attribute)");

  // Clicking a heading sorts nothing; a later reading does not reach the list.
  QTest::mouseClick(list->header()->viewport(), Qt::LeftButton, {},
                    QPoint(list->header()->sectionViewportPosition(1) + 5, 5));
  slot.attributes[0].current = 1;
  dialog.hide();
  dialog.show();
  EXPECT_EQ(Row(list, 0)[0], "1");
  EXPECT_EQ(Row(list, 0)[2], "100");
  EXPECT_EQ(Row(list, 17)[0], "241");
}

TEST(SmartDetailsDlg, RowsBehindTheVerdictAreMarkedWithTheirReasons) {
  DriveSlots driveSlots = DriveSlots(kDiskButtonCount);
  DriveSlot& slot = driveSlots[0];
  slot.capacityGb = 40;
  // Empty entries before the marked ones: rows and entries part ways.
  slot.attributes[0] = {1, 100, 100, 51, {}};
  slot.attributes[2] = {5, 30, 30, 36, {2}};     // failing now, and counted
  slot.attributes[4] = {190, 60, 40, 45, {}};    // failed in the past
  slot.attributes[5] = {197, 100, 100, 0, {3}};  // counted
  slot.attributes[7] = {194, 40, 40, 0, {40}};
  CSmartDetailsDlg dialog(driveSlots, 0);
  dialog.show();
  const QTreeWidget* list = dialog.AttributeList();
  ASSERT_EQ(list->topLevelItemCount(), 5);
  const QColor none = QTreeWidgetItem().background(0).color();
  const struct {
    int row;
    QColor colour;
    QString tip;
  } rows[] = {
      {0, none, ""},
      {1, ToQColor(palette::kBadRow),
       "Reallocated Sector Count (5) failing now: value 30, threshold 36\n2 reallocated sectors"},
      {2, ToQColor(palette::kCautionRow), "Attribute 190 failed in the past: worst 40, threshold 45"},
      {3, ToQColor(palette::kCautionRow), "3 pending sectors"},
      {4, none, ""},
  };
  for (const auto& r : rows) {
    for (int c = 0; c < list->columnCount(); ++c) {
      EXPECT_EQ(list->topLevelItem(r.row)->background(c).color(), r.colour) << r.row << "/" << c;
      EXPECT_EQ(list->topLevelItem(r.row)->toolTip(c), r.tip) << r.row << "/" << c;
    }
  }
}
