#include "core/drive/usb_bridge.h"

#include <cstdio>

namespace taruk {

namespace {

std::string Hex4(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value));
  return text;
}

}  // namespace

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
