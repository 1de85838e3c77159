#include "linux/usb_nvme_bridge.h"

#include "core/drive/nvme_bridge_reading.h"
#include "linux/sg_io_command.h"

namespace taruk {

namespace {

class SgIoTransport : public ScsiTransport {
 public:
  explicit SgIoTransport(int fd) : fd_(fd) {}
  bool Transfer(std::span<const uint8_t> cdb, std::span<uint8_t> dataIn, std::span<const uint8_t> dataOut,
                unsigned timeoutMs) override {
    return RunScsiTransfer(fd_, cdb, dataIn, dataOut, timeoutMs);
  }

 private:
  int fd_;
};

}  // namespace

bool ReadThroughNvmeBridge(int fd, NvmeBridgeScheme scheme, const NvmeAdminRead& read, std::span<uint8_t> data,
                           unsigned timeoutMs) {
  SgIoTransport transport(fd);
  return ReadThroughNvmeBridge(transport, scheme, read, data, timeoutMs);
}

}  // namespace taruk
