#pragma once
// A drive capture: the answers one drive gave to the requests of the reading
// pass, kept as text (driveN.capture). A missing answer means the request
// failed. Written by `taruk --capture` and the privileged reader, read by the
// replay device.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/drive/scsi_commands.h"
#include "core/drive/smart_device.h"

namespace taruk {

struct DriveCapture {
  std::optional<uint8_t> deviceMap;                 // `device-map 0x01`
  std::optional<DriveGeometry> geometry;            // `geometry C T S B`
  std::array<std::optional<uint8_t>, 4> powerMode;  // `power-mode P 0x00`: CHECK POWER MODE's Sector Count
  std::array<std::optional<bool>, 4> enable;        // `enable P ok|fail`
  std::array<std::optional<Page>, 4> identify;      // IDENTIFY (PACKET) DEVICE
  std::array<std::optional<Page>, 4> smartData;
  std::array<std::optional<Page>, 4> smartThresholds;
  // `smart-log P 0x06`: SMART READ LOG sectors by log address (01h error
  // log, 06h self-test log). Captures made before they were read have none.
  std::array<std::map<uint8_t, Page>, 4> smartLogs;
  bool nvme = false;                                   // `interface nvme`; an ATA drive needs no line
  std::optional<NvmeIdentifyData> nvmeIdentify;        // `nvme-identify`: Identify Controller, 8192 hex digits
  std::optional<Page> nvmeHealthLog;                   // `nvme-health-log`: log 02h, 1024 hex digits
  std::optional<uint16_t> nvmeSensorKelvin;            // `nvme-sensor-kelvin 323`: the system's sensor
  std::optional<NvmeSelfTestLogData> nvmeSelfTestLog;  // `nvme-self-test-log`: log 06h, 1128 hex digits
  // `scsi-answer 4d400d0000000002000000 24` and the 24 bytes a SCSI disk
  // sent for that command; a command it refused has no entry.
  std::map<ScsiCdb, std::vector<uint8_t>> scsiAnswers;
  // `usb-bridge 46f4:0001 0000 uas`: vendor:product, release, driver ("-"
  // for none); a disk not behind USB has no line.
  std::optional<UsbBridge> usbBridge;
  // `bridge-answer e6020001...  4096` and `bridge-sent a1800000... 512`, laid
  // out as scsi-answer: what an NVMe bridge chip the table lists sent for
  // one of its own commands, and the blocks it took. A replay reads the
  // drive through the chip's scheme from them, byte for byte.
  std::map<ScsiCdb, std::vector<uint8_t>> bridgeAnswers;
  std::set<std::pair<ScsiCdb, std::vector<uint8_t>>> bridgeSent;
  friend bool operator==(const DriveCapture&, const DriveCapture&) = default;
};

// The capture as text in the format the parser reads back unchanged.
std::string FormatCapture(const DriveCapture& capture);

// Parses `text`. On failure returns false and sets `error` to one line naming
// the file, the line and what was expected; `capture` is then untouched.
bool ParseCapture(std::string_view text, const std::string& fileName, DriveCapture& capture, std::string& error);

}  // namespace taruk
