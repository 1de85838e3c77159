// The S.M.A.R.T. details dialog: its list's columns and rows, read once.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTest>
#include <QTreeWidget>

#include "drive/drive_slot.h"
#include "ui/smart_details_dlg.h"

namespace {

QStringList Row(const QTreeWidgetItem* item) {
  QStringList cells;
  for (int c = 0; c < item->columnCount(); ++c) cells << item->text(c);
  return cells;
}

class SmartDetailsDlgTest : public testing::Test {
 protected:
  void SetUp() override { driveSlots = {}; }
  void TearDown() override { driveSlots = {}; }

  static void Fill(DriveSlot& slot, size_t entry, uint8_t id, uint8_t current, uint8_t worst, uint8_t threshold,
                   std::array<uint8_t, 6> raw = {}) {
    slot.attributes[entry] = {id, current, worst, threshold, raw};
  }
};

}  // namespace

TEST_F(SmartDetailsDlgTest, ListHasTheSixColumnsInOrderWithTheirWidths) {
  driveSlots[1].capacityGb = 80;
  CSmartDetailsDlg dialog(1);
  ASSERT_TRUE(dialog.IsBuilt()) << dialog.BuildError().toStdString();
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "S.M.A.R.T. details");
  QTreeWidget* list = dialog.AttributeList();
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->columnCount(), 6);
  const QStringList headings = {"#", "Attribute", "Value", "Threshold", "Worst", "Raw"};
  const int widths[] = {40, 300, 70, 70, 70, 130};
  for (int c = 0; c < 6; ++c) {
    EXPECT_EQ(list->headerItem()->text(c), headings[c]);
    EXPECT_EQ(list->columnWidth(c), widths[c]) << c;
  }
  EXPECT_TRUE(list->headerItem()->textAlignment(0) & Qt::AlignRight);
  EXPECT_TRUE(list->headerItem()->textAlignment(1) & Qt::AlignLeft);
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  // A drive whose pages were never read: columns and no rows.
  EXPECT_EQ(list->topLevelItemCount(), 0);
}

TEST_F(SmartDetailsDlgTest, RowsFollowThePageAndSkipEmptyEntries) {
  DriveSlot& slot = driveSlots[2];
  slot.capacityGb = 40;
  for (size_t j = 0; j < 5; ++j) Fill(slot, j, static_cast<uint8_t>(j + 1), 100, 100, 6);
  Fill(slot, 6, 9, 98, 97, 0, {0x2C, 0x01, 0, 0, 0, 0});  // entry 5 is empty
  Fill(slot, 7, 194, 45, 60, 0, {0x2D, 0x00, 0x14, 0x00, 0x00, 0x00});
  Fill(slot, 8, 210, 100, 100, 0);

  CSmartDetailsDlg dialog(2);
  dialog.show();
  QTreeWidget* list = dialog.AttributeList();
  ASSERT_EQ(list->topLevelItemCount(), 8);
  EXPECT_EQ(Row(list->topLevelItem(4))[0], "5");
  EXPECT_EQ(Row(list->topLevelItem(5)),
            (QStringList{"9", "Power On Hours Count    ", "98", "0", "97", "00000000012c"}));
  EXPECT_EQ(Row(list->topLevelItem(6)), (QStringList{"194", "Temperature ", "45", "0", "60", "00000014002d"}));
  EXPECT_EQ(Row(list->topLevelItem(7))[1], "(Unknown attribute)");
  EXPECT_TRUE(list->topLevelItem(6)->textAlignment(0) & Qt::AlignRight);

  // Clicking a heading sorts nothing.
  const QRect heading(list->header()->sectionViewportPosition(1), 0, list->header()->sectionSize(1),
                      list->header()->height());
  QTest::mouseClick(list->header()->viewport(), Qt::LeftButton, {}, heading.center());
  EXPECT_EQ(list->topLevelItem(0)->text(0), "1");
  EXPECT_EQ(list->topLevelItem(7)->text(0), "210");
}

TEST_F(SmartDetailsDlgTest, EighteenAttributesGiveEighteenRowsReadOnceAtOpening) {
  DriveSlot& slot = driveSlots[0];
  slot.capacityGb = 250;
  const uint8_t ids[18] = {1, 3, 4, 5, 7, 9, 10, 12, 190, 191, 192, 193, 194, 197, 198, 199, 240, 241};
  for (size_t j = 0; j < 18; ++j) Fill(slot, j, ids[j], 100, 90, 6);
  CSmartDetailsDlg dialog(0);
  dialog.show();
  QTreeWidget* list = dialog.AttributeList();
  ASSERT_EQ(list->topLevelItemCount(), 18);
  for (int j = 0; j < 18; ++j) EXPECT_EQ(list->topLevelItem(j)->text(0), QString::number(ids[j]));

  // A later reading of the drive does not reach the open list.
  Fill(slot, 18, 231, 50, 50, 0);
  slot.attributes[0].current = 1;
  dialog.hide();
  dialog.show();
  EXPECT_EQ(list->topLevelItemCount(), 18);
  EXPECT_EQ(list->topLevelItem(0)->text(2), "100");
}
