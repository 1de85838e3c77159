#include "linux/live_drives.h"

#include <linux/capability.h>

#include "linux/linux_device_opener.h"
#include "linux/process_capabilities.h"
#include "linux/reader_device_opener.h"
#include "linux/reader_location.h"

namespace taruk {

std::unique_ptr<DeviceOpener> MakeLiveDeviceOpener(int stopFd) {
  // CAP_SYS_RAWIO is what SG_IO pass-through checks. Whoever holds it is
  // trusted to open the nodes itself; everyone else goes through the reader,
  // which holds exactly the privileges reading needs and no more.
  if (HasEffectiveCapability(CAP_SYS_RAWIO)) return std::make_unique<LinuxDeviceOpener>();
  return std::make_unique<ReaderDeviceOpener>(FindReader(), "/sys/block", kReaderTimeoutMs, stopFd);
}

}  // namespace taruk
