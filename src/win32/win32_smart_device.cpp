#include <windows.h>

#include "win32/win32_smart_device.h"

#include <ntddscsi.h>
#include <winioctl.h>

#include <algorithm>

#include "core/drive/ata_self_test_pages.h"
#include "core/drive/request_block.h"
#include "win32/drive_ioctl_buffers.h"
#include "win32/drive_problem_text.h"
#include "win32/win32_pass_through_device.h"

namespace taruk {

namespace {

constexpr std::size_t kDeviceDescriptorAnswerSize = 1024;

}  // namespace

Win32SmartDevice::Win32SmartDevice(std::unique_ptr<ControlledDevice> device, std::string path,
                                   std::shared_ptr<std::string> problem, std::optional<uint32_t> busType)
    : device_(std::move(device)),
      path_(std::move(path)),
      problem_(std::move(problem)),
      scsiBus_(busType && IsScsiBusType(*busType)) {
  if (busType) bus_ = *busType == ioctl::kBusTypeNvme ? DriveBus::Nvme : DriveBus::Ata;
}

std::optional<std::vector<uint8_t>> Win32SmartDevice::ScsiDataIn(std::span<const uint8_t> cdb) {
  if (!scsiBus_) return std::nullopt;
  std::optional<std::vector<uint8_t>> answer = SendScsiDataIn(*device_, cdb);
  // Once the disk answers as a SCSI disk, the refused S.M.A.R.T. request's
  // complaint no longer stands.
  if (answer && problem_) problem_->clear();
  return answer;
}

DriveCommandResult Win32SmartDevice::ScsiNonData(std::span<const uint8_t> cdb) {
  if (!scsiBus_) return SmartDevice::ScsiNonData(cdb);
  return SendScsiNonData(*device_, cdb, path_);
}

void Win32SmartDevice::Report(const std::string& why) {
  if (problem_) *problem_ = why;
}

std::optional<uint8_t> Win32SmartDevice::DeviceMap() {
  std::array<uint8_t, ioctl::kVersionAnswerSize> answer{};
  const ControlResult result = device_->Control(SMART_GET_VERSION, {}, answer);
  if (!result.succeeded) {
    Report(RefusedRequestProblem(path_, "S.M.A.R.T.", result.error));
    return std::nullopt;
  }
  return ioctl::DeviceMapIn(answer);
}

std::optional<DriveGeometry> Win32SmartDevice::Geometry() {
  std::array<uint8_t, ioctl::kGeometryAnswerSize> answer{};
  if (!device_->Control(IOCTL_DISK_GET_DRIVE_GEOMETRY, {}, answer).succeeded) return std::nullopt;
  return ioctl::GeometryIn(answer);
}

bool Win32SmartDevice::EnableSmart(int position) {
  const RequestBlock request = EnableSmartRequest(position);
  std::array<uint8_t, ioctl::kSmartAnswerHeaderSize> answer{};
  return device_->Control(SMART_SEND_DRIVE_COMMAND, request, answer).succeeded;
}

std::optional<Page> Win32SmartDevice::ReadPage(const RequestBlock& request) {
  // The answer buffer is cleared before every request: what a driver leaves
  // unwritten reads as zeros, as the interface has always been used.
  ioctl::PageAnswer answer{};
  if (!device_->Control(SMART_RCV_DRIVE_DATA, request, answer).succeeded) return std::nullopt;
  return ioctl::PageIn(answer);
}

std::optional<Page> Win32SmartDevice::Identify(int position, bool packetDevice) {
  return ReadPage(IdentifyRequest(position, packetDevice));
}

std::optional<Page> Win32SmartDevice::SmartData(int position) { return ReadPage(SmartReadDataRequest(position)); }

std::optional<Page> Win32SmartDevice::SmartThresholds(int position) {
  return ReadPage(SmartReadThresholdsRequest(position));
}

std::optional<uint8_t> Win32SmartDevice::CheckPowerMode(int position) {
  const ioctl::AtaPassThroughBuffer request =
      ioctl::AtaPassThroughRequest(CheckPowerModeRegisters(position), kAtaPassThroughTimeoutSeconds);
  ioctl::AtaPassThroughBuffer answer{};
  const ControlResult result = device_->Control(IOCTL_ATA_PASS_THROUGH, request, answer);
  if (!result.succeeded) return std::nullopt;
  return ioctl::ReturnedSectorCount(answer, result.bytesReturned);
}

std::optional<NvmeSelfTestLogData> Win32SmartDevice::NvmeSelfTestLog() {
  NvmeSelfTestLogData log{};
  if (!QueryNvme(ioctl::NvmeQuery::SelfTestLog, log)) return std::nullopt;
  return log;
}

std::optional<Page> Win32SmartDevice::SmartReadLog(int position, uint8_t logAddress) {
  return ReadPage(SmartReadLogRequest(position, logAddress));
}

DriveCommandResult Win32SmartDevice::SmartExecuteOffline(int position, uint8_t subcommand) {
  if (subcommand == ata::kAbortSelfTest) {
    const ioctl::AtaPassThroughBuffer request =
        ioctl::AtaPassThroughRequest(SmartExecuteOfflineRegisters(position, subcommand), kAtaPassThroughTimeoutSeconds);
    ioctl::AtaPassThroughBuffer answer{};
    const ControlResult result = device_->Control(IOCTL_ATA_PASS_THROUGH, request, answer);
    if (!result.succeeded) {
      return {CommandAnswer::NotDelivered, 0, RefusedRequestProblem(path_, "ATA pass-through", result.error)};
    }
    // The task file comes back with the drive's status: ERR set is its ABRT.
    const bool refused = !ioctl::ReturnedSectorCount(answer, result.bytesReturned);
    return {refused ? CommandAnswer::Refused : CommandAnswer::Accepted, 0, {}};
  }
  const RequestBlock request = SmartExecuteOfflineRequest(position, subcommand);
  std::array<uint8_t, ioctl::kSmartAnswerHeaderSize> answer{};
  const ControlResult result = device_->Control(SMART_SEND_DRIVE_COMMAND, request, answer);
  if (!result.succeeded) {
    return {CommandAnswer::NotDelivered, 0, RefusedRequestProblem(path_, "S.M.A.R.T.", result.error)};
  }
  // DRIVERSTATUS: bDriverError, then the drive's error register.
  const bool refused = answer[ioctl::kDriverErrorOffset] != 0 || answer[ioctl::kIdeErrorOffset] != 0;
  return {refused ? CommandAnswer::Refused : CommandAnswer::Accepted, 0, {}};
}

DriveBus Win32SmartDevice::Bus() {
  if (!bus_) bus_ = QueryBusType(*device_) == ioctl::kBusTypeNvme ? DriveBus::Nvme : DriveBus::Ata;
  return *bus_;
}

std::optional<uint32_t> QueryBusType(ControlledDevice& device) {
  const std::vector<uint8_t> query = ioctl::DevicePropertyQuery();
  std::vector<uint8_t> answer(kDeviceDescriptorAnswerSize, 0);
  const ControlResult result = device.Control(IOCTL_STORAGE_QUERY_PROPERTY, query, answer);
  // A driver that cannot tell is an ATA drive's as far as the pass goes:
  // the S.M.A.R.T. requests then say what it is.
  if (!result.succeeded) return std::nullopt;
  return ioctl::BusTypeIn(answer, result.bytesReturned);
}

bool Win32SmartDevice::QueryNvme(ioctl::NvmeQuery query, std::span<uint8_t> data) {
  const std::vector<uint8_t> request = ioctl::NvmeProtocolQuery(query);
  std::vector<uint8_t> answer(request.size(), 0);
  const ControlResult result = device_->Control(IOCTL_STORAGE_QUERY_PROPERTY, request, answer);
  if (!result.succeeded) {
    Report(RefusedRequestProblem(path_, "NVMe", result.error));
    return false;
  }
  const std::optional<std::span<const uint8_t>> found = ioctl::NvmeDataIn(query, answer, result.bytesReturned);
  if (!found || found->size() != data.size()) {
    Report(path_ + ": the NVMe driver's answer does not have the documented layout");
    return false;
  }
  std::copy(found->begin(), found->end(), data.begin());
  return true;
}

DriveCommandResult Win32SmartDevice::NvmeDeviceSelfTest(uint8_t code) {
  std::vector<uint8_t> buffer = ioctl::NvmeDeviceSelfTestCommand(code);
  const std::vector<uint8_t> request = buffer;
  const ControlResult result = device_->Control(IOCTL_STORAGE_PROTOCOL_COMMAND, request, buffer);
  if (!result.succeeded) {
    return {CommandAnswer::NotDelivered, 0, RefusedRequestProblem(path_, "NVMe protocol command", result.error)};
  }
  const std::optional<ioctl::ProtocolCommandStatus> status =
      ioctl::ProtocolCommandStatusIn(buffer, result.bytesReturned);
  if (!status) return {CommandAnswer::NotDelivered, 0, path_ + ": the NVMe driver's answer is too short"};
  if (status->returnStatus == ioctl::kProtocolStatusSuccess) return {CommandAnswer::Accepted, 0, {}};
  // The documented answer carries the driver's ReturnStatus and ErrorCode,
  // not the controller's status: a test already running (1Dh) reads as a
  // plain refusal here. The request reads the drive's log before it sends
  // anything, so a running test is caught there first.
  return {CommandAnswer::Refused, 0, {}};
}

std::optional<NvmeIdentifyData> Win32SmartDevice::NvmeIdentifyController() {
  NvmeIdentifyData data{};
  if (!QueryNvme(ioctl::NvmeQuery::IdentifyController, data)) return std::nullopt;
  return data;
}

std::optional<Page> Win32SmartDevice::NvmeHealthLogPage() {
  Page page{};
  if (!QueryNvme(ioctl::NvmeQuery::HealthLog, page)) return std::nullopt;
  return page;
}

}  // namespace taruk
