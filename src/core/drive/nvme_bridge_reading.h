#pragma once
// One NVMe admin command that reads, sent to a drive in a USB enclosure
// through its bridge chip's own commands (nvme_bridge_commands.h builds the
// bytes), over any system's SCSI transport. Only for a bridge the table lists.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "core/drive/bridge_transfer.h"
#include "core/drive/nvme_bridge_commands.h"
#include "core/drive/scsi_transport.h"
#include "core/drive/smart_device.h"

namespace taruk {

// Fills `data` (the read's length; a Realtek log read is cut to 512 bytes
// and the rest left as it was) and returns true when the drive answered.
bool ReadThroughNvmeBridge(ScsiTransport& transport, NvmeBridgeScheme scheme, const NvmeAdminRead& read,
                           std::span<uint8_t> data, unsigned timeoutMs);

// An NVMe drive behind a listed bridge chip, for one open device. The first
// pass of a run asks the chip Identify Controller once, with `probeTimeoutMs`
// (asked before any ATA command: some of these chips make up ATA IDENTIFY
// data for an NVMe drive); `form` is the run's memory of the answer. A chip
// that answered carries the NVMe reads for the rest of the run; one that did
// not is probed for ATA as any other bridge.
class NvmeBridgeDrive {
 public:
  NvmeBridgeDrive(ScsiTransport& transport, NvmeBridgeScheme scheme, std::shared_ptr<BridgeAtaForm> form,
                  unsigned probeTimeoutMs, unsigned timeoutMs);
  bool IsNvme();
  // Nothing for a drive that is not reached as an NVMe drive.
  std::optional<NvmeIdentifyData> IdentifyController();
  std::optional<Page> HealthLog();
  // The chip's commands behind the reads that got through since the last
  // call (SmartDevice::TakeBridgeTraffic).
  std::vector<BridgeTransfer> TakeTraffic() { return std::move(traffic_); }

 private:
  bool Read(const NvmeAdminRead& read, std::span<uint8_t> data, unsigned timeoutMs);

  ScsiTransport& transport_;
  NvmeBridgeScheme scheme_;
  std::shared_ptr<BridgeAtaForm> form_;
  unsigned probeTimeoutMs_;
  unsigned timeoutMs_;
  bool asked_ = false;
  std::optional<NvmeIdentifyData> identify_;
  std::vector<BridgeTransfer> traffic_;
};

}  // namespace taruk
