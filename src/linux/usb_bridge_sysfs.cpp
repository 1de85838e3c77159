#include "linux/usb_bridge_sysfs.h"

#include <charconv>
#include <filesystem>
#include <fstream>

namespace taruk {

namespace {

namespace fs = std::filesystem;

// The disk's device sits a few levels below its USB device (interface,
// SCSI host, target, LUN); the walk gives up well before any other path
// could lead to a USB device that is not the disk's.
constexpr int kMostLevels = 10;

// A sysfs id file: four hex digits and a newline.
std::optional<uint16_t> ReadHexId(const fs::path& file) {
  std::ifstream in(file);
  std::string text;
  if (!(in >> text) || text.size() != 4) return std::nullopt;
  uint16_t value = 0;
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (status != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string DriverOf(const fs::path& interfaceDir) {
  std::error_code error;
  const fs::path target = fs::read_symlink(interfaceDir / "driver", error);
  if (error) return {};
  const std::string name = target.filename().string();
  return IsUsbDriverName(name) ? name : std::string();
}

}  // namespace

std::optional<UsbBridge> FindUsbBridge(const std::string& sysBlock, const std::string& name) {
  std::error_code error;
  fs::path dir = fs::canonical(fs::path(sysBlock) / name / "device", error);
  if (error) return std::nullopt;
  fs::path below;
  for (int level = 0; level < kMostLevels && dir.has_relative_path(); ++level) {
    if (dir.filename() == "devices") break;  // the top of the device tree
    if (fs::exists(dir / "idVendor", error)) {
      const std::optional<uint16_t> vendor = ReadHexId(dir / "idVendor");
      const std::optional<uint16_t> product = ReadHexId(dir / "idProduct");
      if (!vendor || !product) return std::nullopt;
      UsbBridge bridge;
      bridge.vendor = *vendor;
      bridge.product = *product;
      bridge.release = ReadHexId(dir / "bcdDevice").value_or(0);
      if (!below.empty()) bridge.driver = DriverOf(below);
      return bridge;
    }
    below = dir;
    dir = dir.parent_path();
  }
  return std::nullopt;
}

}  // namespace taruk
