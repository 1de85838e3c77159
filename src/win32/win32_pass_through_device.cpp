#include <windows.h>

#include "win32/win32_pass_through_device.h"

#include <ntddscsi.h>
#include <winioctl.h>

#include <algorithm>

#include "core/drive/nvme_bridge_reading.h"
#include "core/drive/request_block.h"
#include "core/drive/scsi_commands.h"
#include "win32/drive_ioctl_buffers.h"
#include "win32/drive_problem_text.h"
#include "win32/scsi_pass_through_buffer.h"

namespace taruk {

namespace {

constexpr uint8_t kMapAtaAtPosition0 = 0x01;
// Long enough for a drive in standby to spin up and answer.
constexpr uint32_t kCommandTimeoutSeconds = 10;
// A bridge that does not know a command may take long to say so, or reset
// the drive: the first question to it does not wait as long.
constexpr uint32_t kBridgeProbeTimeoutSeconds = 5;

}  // namespace

bool IsScsiBusType(uint32_t busType) {
  constexpr uint32_t kScsi = 1, kFibre = 6, kIscsi = 9, kSas = 0xA;
  return busType == kScsi || busType == kFibre || busType == kIscsi || busType == kSas;
}

Win32PassThroughDevice::Win32PassThroughDevice(std::unique_ptr<ControlledDevice> device, std::string path,
                                               std::shared_ptr<std::string> problem, UsbBridge bridge,
                                               std::shared_ptr<BridgeAtaForm> bridgeForm)
    : device_(std::move(device)),
      path_(std::move(path)),
      problem_(std::move(problem)),
      bridge_(std::move(bridge)),
      bridgeForm_(bridgeForm ? std::move(bridgeForm) : std::make_shared<BridgeAtaForm>(BridgeAtaForm::Unknown)),
      nvme_(*this, NvmeBridgeSchemeOf(bridge_.vendor, bridge_.product), bridgeForm_, kBridgeProbeTimeoutSeconds * 1000,
            kCommandTimeoutSeconds * 1000) {}

void Win32PassThroughDevice::Report(const std::string& why) {
  if (problem_) *problem_ = path_ + ": " + why;
}

bool Win32PassThroughDevice::Transfer(std::span<const uint8_t> cdb, std::span<uint8_t> dataIn,
                                      std::span<const uint8_t> dataOut, unsigned timeoutMs) {
  const std::vector<uint8_t> request =
      ioctl::ScsiPassThroughRequest(cdb, dataIn.size(), dataOut, std::max(1u, timeoutMs / 1000));
  std::vector<uint8_t> answer(request.size(), 0);
  const ControlResult result = device_->Control(IOCTL_SCSI_PASS_THROUGH, request, answer);
  if (!result.succeeded) return false;
  const auto got = ioctl::ScsiPassThroughAnswerIn(answer, result.bytesReturned, dataIn.size());
  if (!got || got->scsiStatus != 0 || got->data.size() != dataIn.size()) return false;
  std::copy(got->data.begin(), got->data.end(), dataIn.begin());
  return true;
}

std::optional<std::vector<uint8_t>> SendScsiDataIn(ControlledDevice& device, std::span<const uint8_t> cdb) {
  const std::size_t length = DataInLength(cdb);
  if (length == 0 || length > scsi::kMostDataIn || cdb.size() > 16) return std::nullopt;
  const std::vector<uint8_t> request = ioctl::ScsiPassThroughRequest(cdb, length, {}, kCommandTimeoutSeconds);
  std::vector<uint8_t> answer(request.size(), 0);
  const ControlResult result = device.Control(IOCTL_SCSI_PASS_THROUGH, request, answer);
  if (!result.succeeded) return std::nullopt;
  const auto got = ioctl::ScsiPassThroughAnswerIn(answer, result.bytesReturned, length);
  // Anything but GOOD is a refusal; a short page is the decoders' to judge.
  if (!got || got->scsiStatus != 0) return std::nullopt;
  return std::vector<uint8_t>(got->data.begin(), got->data.end());
}

DriveCommandResult SendScsiNonData(ControlledDevice& device, std::span<const uint8_t> cdb, const std::string& path) {
  if (cdb.empty() || cdb.size() > 16) return {CommandAnswer::NotDelivered, 0, path + ": no such SCSI command"};
  const std::vector<uint8_t> request = ioctl::ScsiPassThroughRequest(cdb, 0, {}, kCommandTimeoutSeconds);
  std::vector<uint8_t> answer(request.size(), 0);
  const ControlResult result = device.Control(IOCTL_SCSI_PASS_THROUGH, request, answer);
  if (!result.succeeded) {
    return {CommandAnswer::NotDelivered, 0, RefusedRequestProblem(path, "SCSI pass-through", result.error)};
  }
  const auto got = ioctl::ScsiPassThroughAnswerIn(answer, result.bytesReturned, 0);
  if (!got) return {CommandAnswer::NotDelivered, 0, path + ": the SCSI pass-through's answer is too short"};
  constexpr uint8_t kGood = 0x00;
  constexpr uint8_t kCheckCondition = 0x02;
  if (got->scsiStatus == kGood) return {CommandAnswer::Accepted, 0, {}};
  if (got->scsiStatus == kCheckCondition) return {CommandAnswer::Refused, 0, {}};
  // BUSY, a reservation held by another host...: the drive never took it up.
  return {CommandAnswer::NotDelivered, 0, path + ": the command failed on its way to the drive"};
}

DriveCommandResult Win32PassThroughDevice::ScsiNonData(std::span<const uint8_t> cdb) {
  return SendScsiNonData(*device_, cdb, path_);
}

std::optional<std::vector<uint8_t>> Win32PassThroughDevice::ScsiDataIn(std::span<const uint8_t> cdb) {
  std::optional<std::vector<uint8_t>> answer = SendScsiDataIn(*device_, cdb);
  // The disk answers as a SCSI disk: the ATA probe's complaint no longer
  // stands (the report says what the bridge refused).
  if (answer && problem_) problem_->clear();
  return answer;
}

bool Win32PassThroughDevice::RunAta(const IdeRegisters& registers, std::span<uint8_t> dataIn, uint32_t timeoutSeconds,
                                    std::optional<uint8_t>* returnedCount) {
  const AtaProtocol protocol = dataIn.empty() ? AtaProtocol::NonData : AtaProtocol::PioDataIn;
  std::vector<uint8_t> cdb;
  if (*bridgeForm_ == BridgeAtaForm::PassThrough12) {
    const PassThrough12Cdb twelve = BuildPassThrough12(registers, protocol);
    cdb.assign(twelve.begin(), twelve.end());
  } else {
    const PassThroughCdb sixteen = BuildPassThrough16(registers, protocol);
    cdb.assign(sixteen.begin(), sixteen.end());
  }
  const std::vector<uint8_t> request = ioctl::ScsiPassThroughRequest(cdb, dataIn.size(), {}, timeoutSeconds);
  std::vector<uint8_t> answer(request.size(), 0);
  const ControlResult result = device_->Control(IOCTL_SCSI_PASS_THROUGH, request, answer);
  if (!result.succeeded) {
    // A handle without administrator rights: nothing reached the bridge.
    if (result.error == ERROR_ACCESS_DENIED) denied_ = result.error;
    return false;
  }
  const auto got = ioctl::ScsiPassThroughAnswerIn(answer, result.bytesReturned, dataIn.size());
  if (!got) return false;
  const PassThroughReply reply = ioctl::PassThroughReplyOf(*got, dataIn.size());
  if (!PassThroughSucceeded(reply, dataIn.size())) return false;
  std::copy(got->data.begin(), got->data.end(), dataIn.begin());
  if (returnedCount) *returnedCount = ReturnedCount(reply);
  return true;
}

bool Win32PassThroughDevice::PassesAta() const {
  return *bridgeForm_ == BridgeAtaForm::PassThrough16 || *bridgeForm_ == BridgeAtaForm::PassThrough12;
}

bool Win32PassThroughDevice::ProbeBridge() {
  Page page{};
  *bridgeForm_ = BridgeAtaForm::PassThrough16;
  bool passed = RunAta(IdentifyRegisters(0, false), page, kBridgeProbeTimeoutSeconds);
  if (denied_) {
    // Refused for want of rights, not by the bridge: it stays unprobed.
    *bridgeForm_ = BridgeAtaForm::Unknown;
    return false;
  }
  if (!passed) {
    *bridgeForm_ = BridgeAtaForm::PassThrough12;
    passed = RunAta(IdentifyRegisters(0, false), page, kBridgeProbeTimeoutSeconds);
  }
  if (!passed) {
    *bridgeForm_ = BridgeAtaForm::None;
    return false;
  }
  probedIdentify_ = page;
  return true;
}

std::optional<uint8_t> Win32PassThroughDevice::DeviceMap() {
  if (*bridgeForm_ == BridgeAtaForm::Unknown) ProbeBridge();
  if (denied_) {
    if (problem_) *problem_ = RefusedRequestProblem(path_, "ATA pass-through", denied_);
    return std::nullopt;
  }
  if (!PassesAta()) {
    Report(BridgeRefusalText(bridge_));
    return std::nullopt;
  }
  return kMapAtaAtPosition0;
}

std::optional<DriveGeometry> Win32PassThroughDevice::Geometry() {
  std::array<uint8_t, ioctl::kGeometryAnswerSize> answer{};
  if (!device_->Control(IOCTL_DISK_GET_DRIVE_GEOMETRY, {}, answer).succeeded) return std::nullopt;
  return ioctl::GeometryIn(answer);
}

std::optional<Page> Win32PassThroughDevice::ReadPage(const IdeRegisters& registers) {
  if (!PassesAta()) return std::nullopt;
  Page page{};
  if (!RunAta(registers, page, kCommandTimeoutSeconds)) return std::nullopt;
  return page;
}

bool Win32PassThroughDevice::EnableSmart(int position) {
  return position == 0 && PassesAta() && RunAta(EnableSmartRegisters(0), {}, kCommandTimeoutSeconds);
}

std::optional<Page> Win32PassThroughDevice::Identify(int position, bool packetDevice) {
  if (position != 0 || packetDevice) return std::nullopt;
  if (probedIdentify_) return probedIdentify_;
  return ReadPage(IdentifyRegisters(0, false));
}

std::optional<Page> Win32PassThroughDevice::SmartData(int position) {
  if (position != 0) return std::nullopt;
  return ReadPage(SmartReadDataRegisters(0));
}

std::optional<Page> Win32PassThroughDevice::SmartThresholds(int position) {
  if (position != 0) return std::nullopt;
  return ReadPage(SmartReadThresholdsRegisters(0));
}

std::optional<Page> Win32PassThroughDevice::SmartReadLog(int position, uint8_t logAddress) {
  if (position != 0) return std::nullopt;
  return ReadPage(SmartReadLogRegisters(0, logAddress));
}

std::optional<uint8_t> Win32PassThroughDevice::CheckPowerMode(int position) {
  if (position != 0 || !PassesAta()) return std::nullopt;
  std::optional<uint8_t> count;
  if (!RunAta(CheckPowerModeRegisters(0), {}, kCommandTimeoutSeconds, &count)) return std::nullopt;
  return count;
}

DriveBus Win32PassThroughDevice::Bus() { return nvme_.IsNvme() ? DriveBus::Nvme : DriveBus::Ata; }

std::optional<NvmeIdentifyData> Win32PassThroughDevice::NvmeIdentifyController() { return nvme_.IdentifyController(); }

std::optional<Page> Win32PassThroughDevice::NvmeHealthLogPage() {
  if (!nvme_.IsNvme()) return std::nullopt;
  std::optional<Page> page = nvme_.HealthLog();
  if (!page) Report("the NVMe health log did not come through the USB bridge (" + UsbIdText(bridge_) + ")");
  return page;
}

}  // namespace taruk
