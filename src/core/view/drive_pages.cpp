#include "core/view/drive_pages.h"

#include "core/drive/drive_health.h"
#include "core/drive/slot_health.h"

namespace taruk {

namespace {

std::wstring MenuText(const std::wstring& text) {
  std::wstring doubled;
  for (const wchar_t c : text) {
    doubled += c;
    if (c == L'&') doubled += L'&';
  }
  return doubled;
}

}  // namespace

bool HasDrivePages(size_t slotCount) { return slotCount > static_cast<size_t>(kDrivesPerPage); }

int PageOfDrive(int drive) { return drive < 0 ? -1 : drive / kDrivesPerPage; }

int PageToSelect(const DriveSlots& slots, int drive) {
  if (drive < 0 || static_cast<size_t>(drive) >= slots.size()) return -1;
  return slots[static_cast<size_t>(drive)].IsPresent() ? PageOfDrive(drive) : -1;
}

int ButtonOfDrive(int drive) { return drive < 0 ? -1 : drive % kDrivesPerPage; }

int DriveOnButton(int page, int button, size_t slotCount) {
  if (page < 0 || button < 0 || button >= kDrivesPerPage) return -1;
  const int drive = page * kDrivesPerPage + button;
  return static_cast<size_t>(drive) < slotCount ? drive : -1;
}

bool ShowsDiskButton(int page, int button, const DriveSlots& slots) {
  const int drive = DriveOnButton(page, button, slots.size());
  if (drive == 0) return true;
  return drive > 0 && slots[static_cast<size_t>(drive)].IsPresent();
}

std::wstring DrivePageText(int page, size_t slotCount) {
  const int first = page * kDrivesPerPage;
  int last = first + kDrivesPerPage - 1;
  if (static_cast<size_t>(last) >= slotCount) last = static_cast<int>(slotCount) - 1;
  std::wstring shown = L"HD" + std::to_wstring(first);
  if (last > first) shown += L"-" + std::to_wstring(last);
  return shown + L" of " + std::to_wstring(slotCount) + L" drives...";
}

std::vector<DriveListEntry> DriveListEntries(const DriveSlots& slots, int selectedDrive) {
  std::vector<DriveListEntry> entries;
  for (size_t n = 0; n < slots.size(); ++n) {
    const DriveSlot& slot = slots[n];
    if (!slot.IsPresent()) continue;
    const int drive = static_cast<int>(n);
    DriveListEntry entry;
    entry.drive = drive;
    entry.text = L"HD" + std::to_wstring(drive) + L": " + ShownText(slot.model);
    const HealthVerdict verdict = SlotHealth(slot).verdict;
    if (verdict == HealthVerdict::Caution || verdict == HealthVerdict::Bad) {
      entry.text += std::wstring(L" (") + HealthVerdictText(verdict) + L")";
    }
    entry.text = MenuText(entry.text);
    entry.selected = drive == selectedDrive;
    entry.startsPage = !entries.empty() && PageOfDrive(entries.back().drive) != PageOfDrive(drive);
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace taruk
