#include "linux/usb_bridge_sysfs.h"

#include <limits.h>
#include <unistd.h>

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

// What a link says; nothing for what is not a link. readlink(2) itself,
// where std::filesystem looks at the link first: a sysfs path walk saved
// for each link, every pass.
std::optional<fs::path> LinkTarget(const fs::path& link) {
  char target[PATH_MAX];
  const ssize_t length = readlink(link.c_str(), target, sizeof target);
  if (length <= 0 || static_cast<std::size_t>(length) == sizeof target) return std::nullopt;
  return fs::path(std::string(target, static_cast<std::size_t>(length)));
}

std::string DriverOf(const fs::path& interfaceDir) {
  const std::optional<fs::path> target = LinkTarget(interfaceDir / "driver");
  if (!target) return {};
  const std::string name = target->filename().string();
  return IsUsbDriverName(name) ? name : std::string();
}

// The disk's device directory. sysfs links /sys/block/NAME into the device
// tree and NAME/device to the device, through directories that are no
// links: the two links read and joined give what resolving the path would,
// which reads a link for every directory on the way, every pass.
std::optional<fs::path> DeviceDir(const fs::path& blockEntry) {
  fs::path disk = blockEntry;
  if (const std::optional<fs::path> link = LinkTarget(blockEntry)) {
    disk = (blockEntry.parent_path() / *link).lexically_normal();
  }
  const std::optional<fs::path> device = LinkTarget(disk / "device");
  if (!device) return std::nullopt;
  return (disk / *device).lexically_normal();
}

// Every USB device sits below a root hub, usb1, usb2...: a disk with none
// on its path has no bridge to look for.
bool BelowUsbRootHub(const fs::path& dir) {
  for (const fs::path& part : dir) {
    const std::string text = part.string();
    if (text.size() > 3 && text.starts_with("usb") && text.find_first_not_of("0123456789", 3) == std::string::npos) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::optional<UsbBridge> FindUsbBridge(const std::string& sysBlock, const std::string& name) {
  std::optional<fs::path> device = DeviceDir(fs::path(sysBlock) / name);
  if (!device || !BelowUsbRootHub(*device)) return std::nullopt;
  std::error_code error;
  fs::path dir = *device;
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
