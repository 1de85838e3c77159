#include "linux/usb_nvme_bridge.h"

#include "linux/sg_io_command.h"

namespace taruk {

bool SgIoTransport::Transfer(std::span<const uint8_t> cdb, std::span<uint8_t> dataIn, std::span<const uint8_t> dataOut,
                             unsigned timeoutMs) {
  return RunScsiTransfer(fd_, cdb, dataIn, dataOut, timeoutMs);
}

}  // namespace taruk
