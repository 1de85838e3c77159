#pragma once
// Which slot, and so which number HDn, each drive the system lists goes to.
// A drive keeps its number for the whole run wherever the system puts it: it
// is known by its id (core/drive/drive_id.h), not by its place. A drive that
// goes keeps its slot and last values; one that comes back under the same id
// takes its slot back; a new drive takes the lowest number no drive has had
// in this run. At the first pass the numbers follow the system's order, so a
// machine with up to four drives numbers them as it always did. A drive
// never takes over another's slot, and so never its history, health memory
// or metrics series.

#include <functional>
#include <string>
#include <vector>

#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"

namespace taruk {

// One drive the system listed in a pass.
struct DriveFound {
  int systemNumber = 0;
  std::string device;   // the system's name for it
  int slot = -1;        // the slot it went to; -1: none (it did not open at a new place, or all are taken)
  std::string problem;  // why it could not be read, in words a user can act on; empty: nothing wrong
};

struct DrivePass {
  std::vector<bool> answered;     // by slot: its drive opened in this pass
  std::vector<DriveFound> found;  // in the system's order; numbers without a drive left out
};

// Picks the drives a pass opens by their system names; empty: every one.
using DriveSelection = std::function<bool(const std::string& device)>;

// One reading pass over every drive the opener lists (ReadDrive for each),
// each into the slot of its number; `slots` grows as new drives come, up to
// kMostDrives.
DrivePass ReadEveryDrive(DeviceOpener& opener, DriveSlots& slots, bool wake = false,
                         const DriveSelection& selected = {});

// What a drive found beyond the last slot says.
std::string NotWatchedProblem(const std::string& device);

}  // namespace taruk
