#pragma once
// One command a bridge chip carried for an NVMe read, with the block that
// went out or the bytes that came back. A capture keeps them, so that a
// replay reads the drive through the chip's scheme as the live pass did.

#include <cstdint>
#include <vector>

namespace taruk {

struct BridgeTransfer {
  std::vector<uint8_t> cdb;
  std::vector<uint8_t> dataIn;   // what the chip sent back; empty for a block out
  std::vector<uint8_t> dataOut;  // the block the chip took; empty for a read
  friend bool operator==(const BridgeTransfer&, const BridgeTransfer&) = default;
};

}  // namespace taruk
