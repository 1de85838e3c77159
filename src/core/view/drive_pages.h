#pragma once
// Which drives the main window's four disk buttons show, the same for the Qt
// and the Win32 windows. With four drives or fewer the buttons are HD0 to HD3
// and nothing else appears: the window stays as it always was. With more,
// the buttons show one page of four drives (HD0-3, HD4-7, ...), the page
// that holds the selected drive, and a page control below them lists every
// drive: its first click opens the list, the second shows the drive chosen
// together with its page. So any drive is two clicks away, however many
// there are, without a wider window or a second column of buttons.

#include <string>
#include <vector>

#include "core/drive/drive_slot.h"

namespace taruk {

constexpr int kDrivesPerPage = kDiskButtonCount;

// Whether the window needs the page control: more slots than disk buttons.
bool HasDrivePages(size_t slotCount);

// The page that holds drive n (-1 for a negative n).
int PageOfDrive(int drive);

// The page to show when drive n is chosen; -1 when it cannot be (no such
// drive, or one that never answered).
int PageToSelect(const DriveSlots& slots, int drive);

// The button that shows drive n on its page.
int ButtonOfDrive(int drive);

// The drive disk button `button` shows on `page`; -1 beyond the slots.
int DriveOnButton(int page, int button, size_t slotCount);

// Whether the button shows at all: its drive is present, or it is HD0's
// button, which the window has shown since its start.
bool ShowsDiskButton(int page, int button, const DriveSlots& slots);

// The page control's caption: the drives the buttons show and how many
// there are ("HD4-7 of 10 drives..."; the dots: it opens a list).
std::wstring DrivePageText(int page, size_t slotCount);

// One line of the page control's list.
struct DriveListEntry {
  int drive = 0;
  std::wstring text;        // "HD5: ST3160023A" with "(caution)" or "(bad)"; '&' doubled, as menus read it
  bool selected = false;    // the drive the panel shows: checked
  bool startsPage = false;  // the first of its page after another page's: a separator before it
};

// Every present drive, in number order.
std::vector<DriveListEntry> DriveListEntries(const DriveSlots& slots, int selectedDrive);

}  // namespace taruk
