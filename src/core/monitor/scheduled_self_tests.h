#pragma once
// The self-test schedule at work in a running monitor: after each reading
// pass it asks the schedule whether a drive is due, starts that test in the
// drive and keeps the start in the side settings file, so that a restart
// keeps the periods. The window and headless run it alike; the demo drives
// never get one.

#include <cstdint>
#include <optional>

#include "core/base/regular_file.h"
#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"
#include "core/monitor/self_test_schedule.h"

namespace taruk {

class ScheduledSelfTests {
 public:
  // The user's schedule and the remembered starts from taruk.toml; a file
  // that is missing or can't be read leaves the schedule off.
  void Load();
  // Takes the user's schedule again when taruk.toml may have changed since
  // it was last read (the Options dialog, a hand edit), so that a new
  // schedule needs no restart. The starts in memory stay: the monitor wrote
  // them itself, and they hold the refusals that the file does not.
  void ReloadIfChanged();
  // Starts at most one due test, on a drive that answered in the last pass
  // (its slot's systemNumber). `now` in Unix seconds.
  void RunDue(const DriveSlots& slots, DeviceOpener& drives, int64_t now);

  SelfTestScheduleSettings settings;
  SelfTestScheduleState state;

 private:
  // The file as it was when last read; none: missing or unknown.
  std::optional<FileStamp> stamp;
  bool ReadSettings(SelfTestScheduleSettings& read, SelfTestScheduleState& readState);
};

}  // namespace taruk
