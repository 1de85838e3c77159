#include "core/monitor/drive_numbering.h"

#include <memory>

#include "core/capture/capture_device.h"
#include "core/capture/recording_device.h"
#include "core/drive/drive_id.h"
#include "core/drive/read_drive_info.h"

namespace taruk {

namespace {

constexpr int kNoSlot = -1;

class Numbering {
 public:
  Numbering(DriveSlots& slots, bool wake) : slots(slots), wake(wake) {
    for (const DriveSlot& slot : slots) {
      previousPlace.push_back(slot.systemNumber);
      firstPass = firstPass && !slot.assigned;
    }
    pass.answered.assign(slots.size(), false);
    claimed.assign(slots.size(), false);
  }

  void Read(DeviceOpener& opener, DriveFound& found);
  // What Read will do with a sleeping drive found here, as things stand
  // before the pass.
  SleepingDrive PlannedRule(const DriveFound& found) const {
    const int candidate = SlotLastAt(found);
    return SleepingDriveRule(candidate == kNoSlot ? DriveSlot{} : slots[static_cast<size_t>(candidate)], wake);
  }
  // The slot of the drive last at this place: by the system's number in the
  // last pass, else by the device name it was last found under (a drive
  // unplugged and plugged back in).
  int SlotLastAt(const DriveFound& found) const {
    const int byNumber = SlotLastAt(found.systemNumber);
    if (byNumber != kNoSlot) return byNumber;
    for (size_t i = 0; i < slots.size(); ++i) {
      if (!claimed[i] && slots[i].assigned && slots[i].systemNumber < 0 && slots[i].device == found.device) {
        return static_cast<int>(i);
      }
    }
    return kNoSlot;
  }
  DrivePass Finish();

 private:
  // The slot whose drive was at `systemNumber` in the last pass.
  int SlotLastAt(int systemNumber) const {
    for (size_t i = 0; i < previousPlace.size(); ++i) {
      if (previousPlace[i] == systemNumber && !claimed[i]) return static_cast<int>(i);
    }
    return kNoSlot;
  }
  // A slot not yet taken in this pass whose drive has this id.
  int UnclaimedSlotOf(const std::string& baseId) const {
    if (baseId.empty()) return kNoSlot;
    for (size_t i = 0; i < slots.size(); ++i) {
      if (!claimed[i] && slots[i].assigned && DriveBaseId(slots[i]) == baseId) return static_cast<int>(i);
    }
    return kNoSlot;
  }
  // How many slots hold a drive with this id already.
  int SlotsWithId(const std::string& baseId) const {
    int count = 0;
    for (const DriveSlot& slot : slots) count += slot.assigned && DriveBaseId(slot) == baseId;
    return count;
  }
  int NewSlot(int systemNumber);
  bool SameDrive(int candidate, const std::string& baseId) const;

  DriveSlots& slots;
  const bool wake;
  bool firstPass = true;
  std::vector<int> previousPlace;
  std::vector<bool> claimed;
  DrivePass pass;
};

// At the first pass a drive takes its own system number, so the numbers
// follow the system's order (gaps included, as a Windows machine's
// PhysicalDriveN may have); later the lowest number no drive has had.
int Numbering::NewSlot(int systemNumber) {
  if (firstPass && systemNumber >= 0 && systemNumber < kMostDrives) {
    if (slots.size() <= static_cast<size_t>(systemNumber)) slots.resize(static_cast<size_t>(systemNumber) + 1);
    if (!slots[static_cast<size_t>(systemNumber)].assigned) return systemNumber;
  }
  for (size_t i = 0; i < slots.size(); ++i) {
    if (!slots[i].assigned) return static_cast<int>(i);
  }
  if (slots.size() >= static_cast<size_t>(kMostDrives)) return kNoSlot;
  slots.emplace_back();
  return static_cast<int>(slots.size()) - 1;
}

// Whether the drive read at the candidate's place is the candidate's drive.
// A drive that told nothing of itself this time (asleep, a failed IDENTIFY)
// is taken for the one that was there; so is the first identity of a slot
// that had none, unless that id belongs to a drive of another slot.
bool Numbering::SameDrive(int candidate, const std::string& baseId) const {
  if (candidate == kNoSlot) return false;
  if (baseId.empty()) return true;
  const std::string known = DriveBaseId(slots[static_cast<size_t>(candidate)]);
  if (known == baseId) return true;
  return known.empty() && UnclaimedSlotOf(baseId) == kNoSlot;
}

void Numbering::Read(DeviceOpener& opener, DriveFound& found) {
  const int candidate = SlotLastAt(found);
  DriveSlot read = candidate == kNoSlot ? DriveSlot{} : slots[static_cast<size_t>(candidate)];
  const SleepingDrive rule = SleepingDriveRule(read, wake);
  read.powerMode = PowerMode::Unknown;
  std::unique_ptr<SmartDevice> device = opener.OpenForPass(found.systemNumber, rule);
  if (!device) {
    found.problem = opener.Problem(found.systemNumber);
    // A drive that stops opening keeps its slot, and the place with it.
    if (candidate != kNoSlot) {
      claimed[static_cast<size_t>(candidate)] = true;
      found.slot = candidate;
    }
    return;
  }
  RecordingDevice recorder(*device);
  ReadDrive(recorder, rule, read);
  device.reset();
  found.problem = opener.Problem(found.systemNumber);

  const std::string baseId = DriveBaseId(read);
  int target = candidate;
  if (!SameDrive(candidate, baseId)) {
    // Another drive than the one that was here: its own slot, or a new one.
    // It is read again from what it answered, over its own slot's values,
    // so that nothing of the other drive stays with it.
    target = UnclaimedSlotOf(baseId);
    if (target == kNoSlot) target = NewSlot(found.systemNumber);
    if (target == kNoSlot) {
      found.problem = NotWatchedProblem(found.device);
      return;
    }
    claimed.resize(slots.size(), false);
    pass.answered.resize(slots.size(), false);
    read = slots[static_cast<size_t>(target)];
    read.powerMode = PowerMode::Unknown;
    CaptureDevice answers(recorder.capture());
    ReadDrive(answers, rule, read);
  }
  if (read.id.empty() && !baseId.empty()) read.id = DuplicateId(baseId, SlotsWithId(baseId) + 1);
  read.device = found.device;
  read.systemNumber = found.systemNumber;
  read.assigned = true;
  slots[static_cast<size_t>(target)] = std::move(read);
  claimed[static_cast<size_t>(target)] = true;
  pass.answered[static_cast<size_t>(target)] = true;
  found.slot = target;
}

DrivePass Numbering::Finish() {
  for (size_t i = 0; i < slots.size(); ++i) {
    if (i >= claimed.size() || !claimed[i]) slots[i].systemNumber = -1;
  }
  pass.answered.resize(slots.size(), false);
  return std::move(pass);
}

}  // namespace

std::string NotWatchedProblem(const std::string& device) {
  return device + ": not watched: Taruk watches at most " + std::to_string(kMostDrives) + " drives";
}

DrivePass ReadEveryDrive(DeviceOpener& opener, DriveSlots& slots, bool wake, const DriveSelection& selected) {
  Numbering numbering(slots, wake);
  std::vector<DriveFound> drives;
  std::vector<std::pair<int, SleepingDrive>> plan;
  for (const int systemNumber : opener.DriveNumbers()) {
    DriveFound drive;
    drive.systemNumber = systemNumber;
    drive.device = opener.DeviceName(systemNumber);
    if (drive.device.empty()) drive.device = "drive " + std::to_string(systemNumber);
    if (selected && !selected(drive.device)) continue;
    plan.emplace_back(systemNumber, numbering.PlannedRule(drive));
    drives.push_back(std::move(drive));
  }
  opener.PlanPass(plan);
  std::vector<DriveFound> found;
  for (DriveFound& drive : drives) {
    numbering.Read(opener, drive);
    // A number with no drive behind it (probed on Windows) is no news.
    if (drive.slot >= 0 || !drive.problem.empty()) found.push_back(std::move(drive));
  }
  DrivePass pass = numbering.Finish();
  pass.found = std::move(found);
  return pass;
}

}  // namespace taruk
