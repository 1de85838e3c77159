// The cycle of a monitor without privileges: four drives read through one
// serving reader (a stand-in that answers the demo captures, a pass's
// drives in one write, as taruk-smart-reader does), against the same four
// drives replayed in the monitor itself. The difference is what reading
// through the reader costs the monitor per cycle; the stand-in's own CPU is
// counted as "reader_cpu_us" per cycle.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/capture/replay_device_opener.h"
#include "core/drive/read_drive_info.h"
#include "core/monitor/drive_numbering.h"
#include "linux/reader_device_opener.h"

using namespace taruk;

namespace {

// A /sys/block with four SATA disks, which is all the opener looks at
// before it asks the reader.
std::string FakeSysBlock() {
  namespace fs = std::filesystem;
  std::string root = fs::temp_directory_path() / "taruk-bench-sys-XXXXXX";
  if (!mkdtemp(root.data())) std::abort();
  fs::create_directories(root + "/block");
  for (const char* name : {"sda", "sdb", "sdc", "sdd"}) {
    const std::string device = root + "/devices/pci0000:00/0000:00:1f.2/ata1/host0/block/" + name;
    fs::create_directories(device);
    std::ofstream(device + "/dev") << "8:0\n";
    fs::create_symlink(device, root + "/block/" + name);
  }
  return root;
}

double ChildrenCpuMicroseconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 + usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
}

bool AllRead(const DriveSlots& slots) {
  for (const DriveSlot& slot : slots) {
    if (!slot.IsPresent() || slot.model.empty()) return false;
  }
  return true;
}

void ReadFourDrivesThroughTheReader(benchmark::State& state) {
  const std::string sys = FakeSysBlock();
  DriveSlots slots{};
  const double childrenBefore = ChildrenCpuMicroseconds();
  {
    ReaderDeviceOpener opener(TARUK_BENCH_READER, sys + "/block");
    ReadEveryDrive(opener, slots);  // the start: the reader is started here
    for (auto _ : state) ReadEveryDrive(opener, slots);
  }
  // The reader has ended with its opener, and its CPU is counted.
  state.counters["reader_cpu_us"] =
      (ChildrenCpuMicroseconds() - childrenBefore) / static_cast<double>(state.iterations() + 1);
  std::filesystem::remove_all(sys);
  if (!AllRead(slots)) state.SkipWithError("the reader's captures did not fill the four slots");
}
BENCHMARK(ReadFourDrivesThroughTheReader)->Unit(benchmark::kMicrosecond);

void ReadFourDrivesInTheMonitor(benchmark::State& state) {
  ReplayDeviceOpener opener(TARUK_DEMO_DIR);
  DriveSlots slots{};
  for (auto _ : state) ReadEveryDrive(opener, slots);
  if (!AllRead(slots)) state.SkipWithError("the demo captures did not fill the four slots");
}
BENCHMARK(ReadFourDrivesInTheMonitor)->Unit(benchmark::kMicrosecond);

}  // namespace
