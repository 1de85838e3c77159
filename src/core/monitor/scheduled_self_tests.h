#pragma once
// The self-test schedule at work in a running monitor: after each reading
// pass it asks the schedule whether a drive is due, starts that test in the
// drive and keeps the start in the side settings file, so that a restart
// keeps the periods. The window and headless run it alike; the demo drives
// never get one.

#include <cstdint>

#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"
#include "core/monitor/self_test_schedule.h"
#include "core/monitor/side_settings_watch.h"

namespace taruk {

class ScheduledSelfTests {
 public:
  // The user's schedule and the remembered starts from taruk.toml; a file
  // that is missing or can't be read leaves the schedule off.
  void Load();
  // Starts at most one due test, on a drive that answered in the last pass
  // (its slot's systemNumber). `now` in Unix seconds. The user's schedule
  // is taken again from `side` when taruk.toml changed (the Options dialog,
  // a hand edit): a new schedule needs no restart. The starts in memory
  // stay: the monitor wrote them itself, and they hold the refusals that
  // the file does not.
  void RunDue(const DriveSlots& slots, DeviceOpener& drives, int64_t now, SideSettingsWatch& side);

  SelfTestScheduleSettings settings;
  SelfTestScheduleState state;

 private:
  uint64_t seenGeneration = 0;  // of the side settings the schedule was last taken from
};

}  // namespace taruk
