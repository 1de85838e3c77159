#pragma once
// The USB bridge chip a disk sits behind, as the system names it: the USB
// device's vendor and product ids, its release (bcdDevice) and the driver
// bound to its storage interface ("usb-storage" or "uas"). A bridge decides
// which commands reach the drive: many pass ATA PASS-THROUGH(16), some only
// its 12-byte form, some nothing at all (or the kernel refuses it for them).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace taruk {

struct UsbBridge {
  uint16_t vendor = 0;
  uint16_t product = 0;
  uint16_t release = 0;
  std::string driver;  // empty when the interface has no driver bound
  friend bool operator==(const UsbBridge&, const UsbBridge&) = default;
};

// A driver's name as the kernel gives them ("usb-storage", "uas"): lower
// case letters, digits, '-' and '_', at most 32 of them. Anything else read
// where a driver's name belongs is not kept, so a capture's line stays whole.
bool IsUsbDriverName(std::string_view name);

// "46f4:0001", as lsusb and the kernel's quirk list write it.
std::string UsbIdText(const UsbBridge& bridge);

// "46f4:0001, release 0000, driver uas"
std::string UsbBridgeText(const UsbBridge& bridge);

// What the drive shows when the bridge took neither form of ATA
// PASS-THROUGH: "this USB bridge does not pass S.M.A.R.T. commands (46f4:0001)".
std::string BridgeRefusalText(const UsbBridge& bridge);

// The bridge named by a Windows device instance id or hardware id of a USB
// device: "USB\\VID_174C&PID_2362\\...", with "&REV_0100" when the id
// carries the release, with "&MI_00" for a composite device's function.
// Nothing for any other id. The driver is not part of the id.
std::optional<UsbBridge> UsbBridgeFromDeviceId(std::string_view id);

// How a bridge carried ATA commands the first time it was asked in a run.
// A bridge is probed once: some reset the drive on a command they do not
// know, so the answer stands for the rest of the run.
enum class BridgeAtaForm : uint8_t {
  Unknown,        // not probed yet
  PassThrough16,  // ATA PASS-THROUGH(16), as a SATA disk inside the machine
  PassThrough12,  // only the 12-byte form
  None,           // neither reached the drive: SCSI commands only
  NvmeCommands,   // an NVMe drive, reached through the bridge chip's own commands
};

}  // namespace taruk
