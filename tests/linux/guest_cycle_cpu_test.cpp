// The CPU of one reading pass over every drive of the test guest
// (tests/e2e/qemu_drives.sh), as root straight through the kernel, or, when
// TARUK_VM_READER names a taruk-smart-reader, as the unprivileged monitor
// does it: through one serving reader, whose CPU (and that of its children,
// one per drive) is counted with the monitor's. A figure to print, not a
// bound: the guest is emulated and shares its host.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "core/monitor/drive_numbering.h"
#include "linux/linux_device_opener.h"
#include "linux/reader_device_opener.h"

using namespace taruk;

namespace {

double OwnCpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// The process's CPU and that of the children it has waited for, from
// /proc (clock ticks): the reader waits for each drive's child.
double ProcessTreeCpuMs(pid_t pid) {
  if (pid <= 0) return 0;
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  double ticks = 0;
  for (int n = 3; n <= 17 && fields >> field; ++n) {
    if (n >= 14) ticks += std::stod(field);  // utime, stime, cutime, cstime
  }
  return ticks * 1e3 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

int PresentDrives(const DriveSlots& slots) {
  int present = 0;
  for (const DriveSlot& slot : slots) present += slot.IsPresent() && !slot.model.empty() ? 1 : 0;
  return present;
}

}  // namespace

TEST(DISABLED_GuestCycleCpu, PassesOverEveryDrive) {
  constexpr int kPasses = 10;
  const char* readerPath = std::getenv("TARUK_VM_READER");
  const bool throughReader = readerPath && *readerPath;
  std::unique_ptr<DeviceOpener> opener;
  ReaderDeviceOpener* reader = nullptr;
  if (throughReader) {
    auto made = std::make_unique<ReaderDeviceOpener>(readerPath);
    reader = made.get();
    opener = std::move(made);
  } else {
    ASSERT_EQ(geteuid(), 0u) << "without a reader the passes need root";
    opener = std::make_unique<LinuxDeviceOpener>();
  }
  DriveSlots slots{};
  ReadEveryDrive(*opener, slots);  // the reader starts here, outside the count
  const int present = PresentDrives(slots);
  ASSERT_GE(present, 3) << "the passes must read the guest's disks";
  const pid_t readerPid = reader ? reader->Reader().Pid() : -1;
  const double ownBefore = OwnCpuMs();
  const double readerBefore = ProcessTreeCpuMs(readerPid);
  for (int pass = 0; pass < kPasses; ++pass) ReadEveryDrive(*opener, slots);
  const double own = (OwnCpuMs() - ownBefore) / kPasses;
  const double readerCpu = (ProcessTreeCpuMs(readerPid) - readerBefore) / kPasses;
  EXPECT_EQ(PresentDrives(slots), present);
  if (reader) EXPECT_EQ(reader->Reader().Pid(), readerPid) << "one reader serves every pass";
  std::printf("pass CPU %s: %.2f ms (monitor %.2f ms, reader %.2f ms), %d drives\n",
              throughReader ? "through the reader" : "as root", own + readerCpu, own, readerCpu, present);
}
