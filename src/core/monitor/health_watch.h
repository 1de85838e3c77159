#pragma once
// When the health alarm speaks: once for each worsening, not on every tick.
// A failing drive stays failing, and an alarm repeated every minute would
// soon be ignored.

#include <string>

#include "core/drive/drive_health.h"

namespace taruk {

// What the alarm has already told about one drive since the monitor started.
// It starts at good with every count 0, so a drive already in caution or bad
// raises the alarm once, at its first look.
struct HealthSeen {
  HealthVerdict worst = HealthVerdict::Good;
  HealthCounts highest{};
  std::wstring serialNumber;  // of the drive seen; another drive starts afresh
};

// True when `now` is worse than anything seen before: a heavier verdict, or
// a count above its highest so far. A verdict or count that falls and comes
// back to where it was says nothing new. An unknown verdict tells nothing.
// Remembers `now` in `seen`.
bool HealthWorsened(const DriveHealth& now, const std::wstring& serialNumber, HealthSeen& seen);

// The first line the tray icon's tooltip gives after "Taruk": the present
// drive in the worst state (bad, then caution, then unknown; the lowest
// number first) with its first reason, or empty when every drive is good.
std::wstring WorstDriveHealthLine(const DriveSlots& slots);

}  // namespace taruk
