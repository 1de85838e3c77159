#include "core/monitor/scheduled_self_tests.h"

#include <memory>
#include <string>
#include <vector>

#include "core/alarm/action_log.h"
#include "core/base/path_text.h"
#include "core/drive/self_test_command.h"
#include "core/monitor/self_test_schedule_store.h"
#include "core/settings/side_settings.h"

namespace taruk {

namespace {

std::vector<ScheduleCandidate> Candidates(const DriveSlots& slots) {
  std::vector<ScheduleCandidate> candidates;
  for (size_t n = 0; n < slots.size(); ++n) {
    const DriveSlot& slot = slots[n];
    // A slot keeping the last values of a drive that has gone is no candidate.
    if (!slot.IsPresent() || slot.systemNumber < 0) continue;
    candidates.push_back({static_cast<int>(n), ShownText(slot.serialNumber), slot.selfTest.shortAndExtended,
                          slot.powerMode == PowerMode::Standby, slot.selfTest.running});
  }
  return candidates;
}

}  // namespace

void ScheduledSelfTests::Load() {
  settings = SelfTestScheduleSettings();
  state = SelfTestScheduleState();
  SideSettings side;
  std::string problem;
  if (LoadSideSettings(side, problem) != SideFileStatus::Read) return;
  LoadSelfTestSchedule(side, settings, state);
}

void ScheduledSelfTests::RunDue(const DriveSlots& slots, DeviceOpener& drives, int64_t now, SideSettingsWatch& side) {
  if (const uint64_t generation = side.Generation(); generation != seenGeneration) {
    seenGeneration = generation;
    // A file that went or no longer parses turns the schedule off, as at start.
    SelfTestScheduleSettings read;
    SelfTestScheduleState ignored;
    LoadSelfTestSchedule(side.Current(), read, ignored);
    settings = read;
  }
  if (!settings.enabled) return;
  const std::optional<ScheduledStart> start = NextScheduledSelfTest(settings, Candidates(slots), now, state);
  if (!start) return;
  const DriveSlot& slot = slots[static_cast<size_t>(start->driveNumber)];
  SelfTestReply reply;
  if (std::unique_ptr<SmartDevice> device = drives.Open(slot.systemNumber)) {
    reply = RequestSelfTest(*device, start->request);
  } else {
    reply.text = "the drive no longer opens";
  }
  const bool accepted = SelfTestAccepted(reply.outcome);
  RecordScheduledStart(*start, ShownText(slot.serialNumber), accepted, now, state);
  LogLine(L"HD" + std::to_wstring(start->driveNumber) + L": scheduled " +
          PathBytesToWide(SelfTestRequestName(start->request)) + L" self-test: " + PathBytesToWide(reply.text));
  // Only a start the drive took moves a period; a refusal is tried again
  // within the hour from the state in memory, and need not be written.
  if (!accepted) return;
  std::string problem;
  if (!ChangeSideSettings(SelfTestScheduleChanges(state), problem)) {
    LogLine(L"self-test schedule: " + PathBytesToWide(problem));
  }
}

}  // namespace taruk
