#pragma once
// The two NVMe admin commands the reading pass sends, through the kernel's
// admin pass-through ioctl (linux/nvme_ioctl.h): Identify Controller and Get
// Log Page for the SMART / Health Information log.

#include <cstdint>
#include <span>

namespace taruk {

struct NvmeCommandResult {
  bool succeeded = false;
  int systemError = 0;      // errno when the ioctl itself failed
  uint32_t nvmeStatus = 0;  // the drive's status when it refused the command
};

// Identify, CNS 01h: 4096 bytes into `data`.
NvmeCommandResult NvmeIdentifyController(int fd, std::span<uint8_t> data);

// Get Log Page, LID 02h, for all namespaces (FFFFFFFFh: a drive refuses
// namespace 0): 512 bytes into `data`.
NvmeCommandResult NvmeGetHealthLog(int fd, std::span<uint8_t> data);

// Get Log Page, LID 06h (Device Self-test), for all namespaces: 564 bytes.
NvmeCommandResult NvmeGetSelfTestLog(int fd, std::span<uint8_t> data);

// Device Self-test with self-test code `code` (1h short, 2h extended, Fh
// abort) for the controller and all its namespaces. The test runs in the
// background; the command returns at once.
NvmeCommandResult NvmeDeviceSelfTest(int fd, uint8_t code);

}  // namespace taruk
