// A Windows USB device id as the configuration manager hands it out: any
// text is read without reading past it, and an id that names a bridge
// prints back to the ids it was read from.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/drive/usb_bridge.h"

using namespace taruk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view id(reinterpret_cast<const char*>(data), size);
  const std::optional<UsbBridge> bridge = UsbBridgeFromDeviceId(id);
  if (!bridge) return 0;
  char vid[5];
  char pid[5];
  std::snprintf(vid, sizeof vid, "%04X", static_cast<unsigned>(bridge->vendor));
  std::snprintf(pid, sizeof pid, "%04X", static_cast<unsigned>(bridge->product));
  std::string upper(id.substr(0, 21));
  for (char& c : upper) c = (c >= 'a' && c <= 'f') ? static_cast<char>(c - 'a' + 'A') : c;
  if (upper.substr(8, 4) != vid || upper.substr(17, 4) != pid) __builtin_trap();
  return 0;
}
