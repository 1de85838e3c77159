#pragma once
// Texts the main window shows about the monitor as a whole, the same on every
// desktop: the notification-area tooltip and the demo-drives notice.

#include <string>

#include "core/drive/drive_slot.h"
#include "core/settings/settings_file.h"

namespace taruk {

// "Taruk", and below it the drive in the worst health with its reason when
// any drive is not good, then "HD1: self-test 40 %" for each drive running a
// self-test. Made-up drives say so first, and that nothing they
// show will act.
std::wstring TrayToolTipText(bool demoDrives, const DriveSlots& driveSlots);

// The balloon that tells the demo drives are shown; `reason` is why none of
// the machine's could be read (empty: none answered).
std::wstring DemoDrivesNotice(const std::wstring& reason);

// The box shown when the settings could not be saved: the Windows version's
// words, and, when the file was left alone because it was read only in part,
// what in it was not understood (the other reasons go to the log only).
std::wstring SettingsNotSavedText(const SettingsLoad& load);

// The title of a window about one drive: `caption`, then the drive's number,
// model and serial number ("S.M.A.R.T. details - HD1: ST3160023A, S/N 5JT0").
std::wstring DriveWindowTitle(const std::wstring& caption, int driveIndex, const DriveSlot& slot);

// What the window's title gains while it shows the demo drives.
inline constexpr const wchar_t* kDemoDrivesTitleSuffix = L" (demo drives)";

}  // namespace taruk
