#pragma once
// One NVMe admin command that reads, sent to a drive in a USB enclosure
// through its bridge chip's own commands (nvme_bridge_commands.h builds the
// bytes), over any system's SCSI transport. Only for a bridge the table lists.

#include <cstdint>
#include <span>

#include "core/drive/nvme_bridge_commands.h"
#include "core/drive/scsi_transport.h"

namespace taruk {

// Fills `data` (the read's length; a Realtek log read is cut to 512 bytes
// and the rest left as it was) and returns true when the drive answered.
bool ReadThroughNvmeBridge(ScsiTransport& transport, NvmeBridgeScheme scheme, const NvmeAdminRead& read,
                           std::span<uint8_t> data, unsigned timeoutMs);

}  // namespace taruk
