#include "linux/nvme_admin_command.h"

#include <errno.h>
#include <linux/nvme_ioctl.h>
#include <sys/ioctl.h>

namespace taruk {

namespace {

constexpr uint8_t kOpcodeGetLogPage = 0x02;
constexpr uint8_t kOpcodeIdentify = 0x06;
constexpr uint32_t kCnsController = 0x01;
constexpr uint8_t kOpcodeDeviceSelfTest = 0x14;
constexpr uint32_t kLogSmartHealth = 0x02;
constexpr uint32_t kLogSelfTest = 0x06;
constexpr uint32_t kAllNamespaces = 0xFFFFFFFF;
// A drive that hangs must not hold the monitor's cycle.
constexpr uint32_t kTimeoutMs = 5000;

NvmeCommandResult Run(int fd, uint8_t opcode, uint32_t nsid, uint32_t cdw10, std::span<uint8_t> data) {
  nvme_admin_cmd command{};
  command.opcode = opcode;
  command.nsid = nsid;
  command.addr = reinterpret_cast<uintptr_t>(data.data());
  command.data_len = static_cast<uint32_t>(data.size());
  command.cdw10 = cdw10;
  command.timeout_ms = kTimeoutMs;
  const int status = ioctl(fd, NVME_IOCTL_ADMIN_CMD, &command);
  if (status < 0) return {false, errno, 0};
  // A positive return is the drive's NVMe status: the command failed even
  // though the ioctl went through.
  if (status > 0) return {false, 0, static_cast<uint32_t>(status)};
  return {true, 0, 0};
}

}  // namespace

NvmeCommandResult NvmeIdentifyController(int fd, std::span<uint8_t> data) {
  return Run(fd, kOpcodeIdentify, 0, kCnsController, data);
}

namespace {

NvmeCommandResult GetLogPage(int fd, uint32_t logId, std::span<uint8_t> data) {
  // Number of dwords, zero-based, in the upper half.
  const uint32_t dwords = static_cast<uint32_t>(data.size() / 4 - 1);
  return Run(fd, kOpcodeGetLogPage, kAllNamespaces, dwords << 16 | logId, data);
}

}  // namespace

NvmeCommandResult NvmeGetHealthLog(int fd, std::span<uint8_t> data) { return GetLogPage(fd, kLogSmartHealth, data); }

NvmeCommandResult NvmeGetSelfTestLog(int fd, std::span<uint8_t> data) { return GetLogPage(fd, kLogSelfTest, data); }

NvmeCommandResult NvmeDeviceSelfTest(int fd, uint8_t code) {
  return Run(fd, kOpcodeDeviceSelfTest, kAllNamespaces, code & 0x0Fu, {});
}

}  // namespace taruk
