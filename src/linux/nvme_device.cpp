#include "linux/nvme_device.h"

#include <errno.h>
#include <string.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "linux/nvme_admin_command.h"
#include "linux/pass_through_device.h"

namespace taruk {

namespace {

// A sysfs attribute's first line.
std::optional<std::string> SysfsLine(const std::string& path) {
  std::ifstream file(path);
  std::string line;
  if (!std::getline(file, line)) return std::nullopt;
  return line;
}

std::optional<uint64_t> SysfsNumber(const std::string& path) {
  const std::optional<std::string> line = SysfsLine(path);
  if (!line) return std::nullopt;
  try {
    std::size_t used = 0;
    const unsigned long long value = std::stoull(*line, &used);
    if (used != line->size()) return std::nullopt;
    return value;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

NvmeDevice::NvmeDevice(int fd, std::string path, std::string sysDisk, std::shared_ptr<std::string> problem,
                       std::string permissionHint)
    : fd_(fd),
      path_(std::move(path)),
      sysDisk_(std::move(sysDisk)),
      problem_(std::move(problem)),
      permissionHint_(std::move(permissionHint)) {}

NvmeDevice::~NvmeDevice() {
  if (fd_ >= 0) close(fd_);
}

void NvmeDevice::Report(int systemError, uint32_t nvmeStatus) {
  if (!problem_) return;
  if (systemError == EACCES || systemError == EPERM) {
    *problem_ = path_ + ": permission denied: " + permissionHint_;
  } else if (systemError != 0) {
    *problem_ = path_ + ": NVMe admin command failed: " + strerror(systemError);
  } else {
    char status[16];
    std::snprintf(status, sizeof status, "0x%x", nvmeStatus);
    *problem_ = path_ + ": the drive refused an NVMe admin command (status " + status + ")";
  }
}

std::optional<DriveGeometry> NvmeDevice::Geometry() {
  if (fd_ >= 0) return BlockDeviceGeometry(fd_);
  // sysfs counts the size in 512-byte units whatever the sector size.
  const std::optional<uint64_t> units = SysfsNumber(sysDisk_ + "/size");
  const std::optional<uint64_t> sector = SysfsNumber(sysDisk_ + "/queue/logical_block_size");
  if (!units || !sector || *sector == 0 || *sector > 0xFFFFFFFF || *units > UINT64_MAX / 512) return std::nullopt;
  return WindowsDiskGeometry(*units * 512, static_cast<uint32_t>(*sector));
}

std::optional<NvmeIdentifyData> NvmeDevice::NvmeIdentifyController() {
  NvmeIdentifyData data{};
  if (fd_ >= 0) {
    const NvmeCommandResult result = taruk::NvmeIdentifyController(fd_, data);
    if (result.succeeded) return data;
    Report(result.systemError, result.nvmeStatus);
    // Without CAP_SYS_ADMIN the drive itself can't be asked; sysfs still
    // knows what it said.
    if (result.systemError != EACCES && result.systemError != EPERM) return std::nullopt;
  }
  struct Field {
    const char* name;
    std::size_t offset;
    std::size_t length;
  };
  constexpr Field kFields[] = {{"serial", 4, 20}, {"model", 24, 40}, {"firmware_rev", 64, 8}};
  bool any = false;
  for (const Field& field : kFields) {
    const std::optional<std::string> text = SysfsLine(sysDisk_ + "/device/" + field.name);
    for (std::size_t i = 0; i < field.length; ++i) {
      data[field.offset + i] = text && i < text->size() ? static_cast<uint8_t>((*text)[i]) : ' ';
    }
    any = any || text.has_value();
  }
  if (!any) return std::nullopt;
  return data;
}

std::optional<Page> NvmeDevice::NvmeHealthLogPage() {
  if (fd_ < 0) return std::nullopt;
  Page page{};
  const NvmeCommandResult result = NvmeGetHealthLog(fd_, page);
  if (result.succeeded) return page;
  Report(result.systemError, result.nvmeStatus);
  return std::nullopt;
}

std::optional<NvmeSelfTestLogData> NvmeDevice::NvmeSelfTestLog() {
  if (fd_ < 0) return std::nullopt;
  NvmeSelfTestLogData log{};
  const NvmeCommandResult result = NvmeGetSelfTestLog(fd_, log);
  if (result.succeeded) return log;
  Report(result.systemError, result.nvmeStatus);
  return std::nullopt;
}

DriveCommandResult NvmeDevice::NvmeDeviceSelfTest(uint8_t code) {
  if (fd_ < 0) return {CommandAnswer::NotDelivered, 0, path_ + ": the drive could not be opened"};
  const NvmeCommandResult result = taruk::NvmeDeviceSelfTest(fd_, code);
  if (result.succeeded) return {CommandAnswer::Accepted, 0, {}};
  if (result.systemError == 0) return {CommandAnswer::Refused, result.nvmeStatus, {}};
  const bool denied = result.systemError == EACCES || result.systemError == EPERM;
  return {
      CommandAnswer::NotDelivered, 0,
      path_ + ": " + (denied ? "permission denied: " + permissionHint_ : std::string(strerror(result.systemError)))};
}

std::optional<uint16_t> NvmeDevice::NvmeSensorKelvin() {
  // The hwmon index changes between boots; the controller has one.
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(sysDisk_ + "/device", error)) {
    if (!entry.path().filename().string().starts_with("hwmon")) continue;
    const std::optional<std::string> line = SysfsLine(entry.path().string() + "/temp1_input");
    if (!line) continue;
    try {
      std::size_t used = 0;
      const long milli = std::stol(*line, &used);
      // A sensor below absolute zero or beyond 0xFFFF K reads nothing.
      if (used != line->size() || milli < -273150 || milli > 65262000) return std::nullopt;
      return static_cast<uint16_t>((milli + 273150 + 500) / 1000);
    } catch (const std::exception&) {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace taruk
