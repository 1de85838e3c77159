#pragma once
// The SCSI transport of a disk node on Linux: SG_IO, which carries the NVMe
// bridge chips' own commands (core/drive/nvme_bridge_reading.h). Only for a
// bridge the table lists.

#include <cstdint>
#include <span>

#include "core/drive/scsi_transport.h"

namespace taruk {

class SgIoTransport : public ScsiTransport {
 public:
  // `fd` stays the caller's.
  explicit SgIoTransport(int fd) : fd_(fd) {}
  bool Transfer(std::span<const uint8_t> cdb, std::span<uint8_t> dataIn, std::span<const uint8_t> dataOut,
                unsigned timeoutMs) override;

 private:
  int fd_;
};

}  // namespace taruk
