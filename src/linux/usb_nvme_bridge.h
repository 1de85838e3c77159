#pragma once
// The NVMe bridge commands (core/drive/nvme_bridge_reading.h) carried by
// SG_IO to an open disk node. Only for a bridge the table lists.

#include <cstdint>
#include <span>

#include "core/drive/nvme_bridge_commands.h"

namespace taruk {

// Fills `data` (the read's length; a Realtek log read is cut to 512 bytes
// and the rest left as it was) and returns true when the drive answered.
bool ReadThroughNvmeBridge(int fd, NvmeBridgeScheme scheme, const NvmeAdminRead& read, std::span<uint8_t> data,
                           unsigned timeoutMs);

}  // namespace taruk
