#pragma once
// The system's way of sending one SCSI command with its data to a disk
// (SG_IO on Linux, IOCTL_SCSI_PASS_THROUGH on Windows, a capture's answers
// in a replay). The commands are built in the core; a transport only
// carries their bytes.

#include <cstdint>
#include <span>

namespace taruk {

class ScsiTransport {
 public:
  virtual ~ScsiTransport() = default;
  // `dataIn` filled whole, or `dataOut` sent (at most one of them non-empty).
  // False when the command did not get through, the device did not answer
  // GOOD, or less than the whole block moved. Never waits past `timeoutMs`.
  virtual bool Transfer(std::span<const uint8_t> cdb, std::span<uint8_t> dataIn, std::span<const uint8_t> dataOut,
                        unsigned timeoutMs) = 0;
};

}  // namespace taruk
