// Which drive each of the main window's controls selects, for machines of
// every size: every drive is reached, by exactly one button of one page.
#include "core/view/drive_pages.h"

#include <gtest/gtest.h>

#include <set>

using namespace taruk;

namespace {

DriveSlots PresentDrives(size_t count) {
  DriveSlots slots(count);
  for (size_t n = 0; n < count; ++n) {
    slots[n].capacityGb = 80;
    slots[n].model = L"ST" + std::to_wstring(n) + L"   ";
  }
  return slots;
}

TEST(DrivePages, EveryDriveIsOnOneButtonOfOnePageAndInTheList) {
  const struct {
    size_t drives;
    bool pages;
    int lastPage;
    const wchar_t* firstPageText;
    const wchar_t* lastPageText;
  } cases[] = {
      {3, false, 0, L"HD0-2 of 3 drives...", L"HD0-2 of 3 drives..."},
      {4, false, 0, L"HD0-3 of 4 drives...", L"HD0-3 of 4 drives..."},
      {5, true, 1, L"HD0-3 of 5 drives...", L"HD4 of 5 drives..."},
      {10, true, 2, L"HD0-3 of 10 drives...", L"HD8-9 of 10 drives..."},
      {64, true, 15, L"HD0-3 of 64 drives...", L"HD60-63 of 64 drives..."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.drives);
    const DriveSlots slots = PresentDrives(c.drives);
    EXPECT_EQ(HasDrivePages(c.drives), c.pages);
    EXPECT_EQ(PageOfDrive(static_cast<int>(c.drives) - 1), c.lastPage);
    EXPECT_EQ(DrivePageText(0, c.drives), c.firstPageText);
    EXPECT_EQ(DrivePageText(c.lastPage, c.drives), c.lastPageText);

    std::set<int> reached;
    for (int page = 0; page <= c.lastPage + 1; ++page) {
      for (int button = -1; button <= kDrivesPerPage; ++button) {
        const int drive = DriveOnButton(page, button, c.drives);
        EXPECT_EQ(ShowsDiskButton(page, button, slots), drive >= 0);
        if (drive < 0) continue;
        EXPECT_TRUE(reached.insert(drive).second) << "drive " << drive << " on two buttons";
        EXPECT_EQ(PageOfDrive(drive), page);
        EXPECT_EQ(ButtonOfDrive(drive), button);
      }
    }
    EXPECT_EQ(reached.size(), c.drives);

    // The list names every drive once, marks the selected one, and parts
    // the pages.
    const int selected = static_cast<int>(c.drives) - 1;
    const std::vector<DriveListEntry> list = DriveListEntries(slots, selected);
    ASSERT_EQ(list.size(), c.drives);
    int separators = 0;
    for (size_t n = 0; n < list.size(); ++n) {
      EXPECT_EQ(list[n].drive, static_cast<int>(n));
      EXPECT_EQ(list[n].selected, list[n].drive == selected);
      separators += list[n].startsPage;
      EXPECT_EQ(list[n].startsPage, n > 0 && n % kDrivesPerPage == 0);
    }
    EXPECT_EQ(separators, c.lastPage);
    EXPECT_EQ(list.back().text, L"HD" + std::to_wstring(selected) + L": ST" + std::to_wstring(selected));
  }
}

TEST(DrivePages, AbsentDrivesHaveNoButtonButHD0AndAreLeftOutOfTheList) {
  DriveSlots slots = PresentDrives(10);
  slots[0].capacityGb = 0;  // never answered: its button shows, empty, as at start
  slots[5].capacityGb = 0;
  slots[9].model = L"R&D DISK";
  slots[9].attributes[0] = {197, 100, 100, 0, {3}};  // pending sectors: caution
  EXPECT_TRUE(ShowsDiskButton(0, 0, slots));
  EXPECT_FALSE(ShowsDiskButton(1, 1, slots));
  EXPECT_TRUE(ShowsDiskButton(1, 2, slots));
  // Only a drive that answered can be chosen.
  EXPECT_EQ(PageToSelect(slots, 5), -1);
  EXPECT_EQ(PageToSelect(slots, 0), -1);
  EXPECT_EQ(PageToSelect(slots, 10), -1);
  EXPECT_EQ(PageToSelect(slots, 9), 2);
  const std::vector<DriveListEntry> list = DriveListEntries(slots, 2);
  ASSERT_EQ(list.size(), 8u);
  EXPECT_EQ(list[0].drive, 1);
  EXPECT_FALSE(list[0].startsPage);
  EXPECT_TRUE(list[1].selected);
  EXPECT_EQ(list[3].drive, 4);
  EXPECT_TRUE(list[3].startsPage);
  EXPECT_EQ(list[4].drive, 6);
  EXPECT_FALSE(list[4].startsPage);
  EXPECT_EQ(list[7].text, L"HD9: R&&D DISK (caution)");
}

}  // namespace
