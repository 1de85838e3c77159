#include "core/drive/usb_bridge.h"

#include <cstdio>

namespace taruk {

namespace {

std::string Hex4(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value));
  return text;
}

// Four hex digits after `tag` ("VID_") at `at`, case as the system writes it.
bool TakeHex4(std::string_view id, std::size_t at, std::string_view tag, uint16_t& value) {
  if (id.size() < at + tag.size() + 4 || id.substr(at, tag.size()) != tag) return false;
  unsigned number = 0;
  for (const char c : id.substr(at + tag.size(), 4)) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return false;
    number = number << 4 | static_cast<unsigned>(digit);
  }
  value = static_cast<uint16_t>(number);
  return true;
}

}  // namespace

std::optional<UsbBridge> UsbBridgeFromDeviceId(std::string_view id) {
  // "USB\VID_xxxx&PID_xxxx": the enumerator is written in either case.
  constexpr std::size_t kVidAt = 4;
  constexpr std::size_t kPidAt = 13;
  constexpr std::size_t kRevAt = 22;
  if (id.size() < 21) return std::nullopt;
  const std::string_view bus = id.substr(0, kVidAt);
  if (!(bus == "USB\\" || bus == "usb\\")) return std::nullopt;
  UsbBridge bridge;
  if (!TakeHex4(id, kVidAt, "VID_", bridge.vendor) || !TakeHex4(id, kPidAt - 1, "&PID_", bridge.product)) {
    return std::nullopt;
  }
  const bool ends = id.size() == 21 || id[21] == '\\' || id[21] == '&';
  if (!ends) return std::nullopt;
  TakeHex4(id, kRevAt - 1, "&REV_", bridge.release);
  return bridge;
}

bool IsUsbDriverName(std::string_view name) {
  constexpr std::size_t kLongestName = 32;
  if (name.empty() || name.size() > kLongestName) return false;
  for (const char c : name) {
    const bool allowed = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    if (!allowed) return false;
  }
  return true;
}

std::string UsbIdText(const UsbBridge& bridge) { return Hex4(bridge.vendor) + ":" + Hex4(bridge.product); }

std::string UsbBridgeText(const UsbBridge& bridge) {
  return UsbIdText(bridge) + ", release " + Hex4(bridge.release) + ", driver " +
         (bridge.driver.empty() ? std::string("none") : bridge.driver);
}

std::string BridgeRefusalText(const UsbBridge& bridge) {
  return "this USB bridge does not pass S.M.A.R.T. commands (" + UsbIdText(bridge) + ")";
}

}  // namespace taruk
