#pragma once
// The demo's four drives after a pass and 26 volumes with their free space
// answered from memory: the cycle the metrics benchmarks make pages of.

#include <string>
#include <vector>

#include "core/capture/replay_device_opener.h"
#include "core/drive/read_drive_info.h"
#include "core/monitor/cycle_observer.h"
#include "core/monitor/drive_numbering.h"

namespace taruk {

// Their names are made once: formatting them is no part of a cycle.
class TwentySixVolumes : public Volumes {
 public:
  TwentySixVolumes() {
    for (int i = 0; i < 26; ++i) roots.push_back(L"/mnt/volume" + std::to_wstring(i));
  }
  std::vector<std::wstring> Roots() override { return roots; }
  bool FreeBytesAvailable(const std::wstring& root, uint64_t& bytes) override {
    bytes = 1'000'000ull * root.size();
    return true;
  }

 private:
  std::vector<std::wstring> roots;
};

struct DemoCycle {
  DemoCycle() {
    ReplayDeviceOpener opener(TARUK_DEMO_DIR);
    ReadEveryDrive(opener, slots);
  }
  CycleRecord Record() {
    CycleRecord record{slots, config, volumes, {}};
    record.answered.assign(slots.size(), true);
    record.finishedUnixTime = 1'700'000'000.25;
    record.durationSeconds = 0.000412;
    return record;
  }
  DriveSlots slots{};
  MonitorConfig config;
  TwentySixVolumes volumes;
};

// The first of the samples every page of the demo cycle holds (each drive's
// kind of reading and the last volume) that `page` lacks; null when none.
inline const char* LackingSample(const std::string& page) {
  for (const char* sample :
       {"taruk_drive_present{drive=\"3\"", "taruk_drive_nvme_critical_warning{drive=\"0\"",
        "taruk_drive_attribute_raw{drive=\"1\"", "root=\"/mnt/volume25\"", "taruk_last_cycle_timestamp_seconds "}) {
    if (page.find(sample) == std::string::npos) return sample;
  }
  return nullptr;
}

}  // namespace taruk
