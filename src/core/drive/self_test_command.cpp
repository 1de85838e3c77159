#include "core/drive/self_test_command.h"

#include <optional>

#include "core/drive/ata_self_test_pages.h"
#include "core/drive/nvme_self_test_pages.h"
#include "core/drive/scsi_log_pages.h"
#include "core/drive/scsi_reading.h"
#include "core/drive/scsi_self_test_page.h"

namespace taruk {

namespace {

std::string TestName(SelfTestRequest request) { return std::string(SelfTestRequestName(request)) + " self-test"; }

// What the drive's answer to a start or abort means.
SelfTestReply Answered(SelfTestRequest request, const DriveCommandResult& result, uint32_t minutes) {
  const bool abort = request == SelfTestRequest::Abort;
  switch (result.answer) {
    case CommandAnswer::Accepted:
      if (abort) return {SelfTestOutcome::Aborted, "self-test aborted"};
      return {SelfTestOutcome::Started,
              TestName(request) + " started" +
                  (minutes ? "; it takes about " + std::to_string(minutes) + " min" : std::string())};
    case CommandAnswer::Refused:
      return {SelfTestOutcome::Refused,
              abort ? "the drive refused to abort (no self-test running, or abort not supported)"
                    : "the drive refused the " + TestName(request)};
    case CommandAnswer::NotDelivered:
      break;
  }
  return {SelfTestOutcome::NotReached, "the command did not reach the drive: " + result.problem};
}

uint32_t MinutesFor(SelfTestRequest request, const SelfTestState& state) {
  switch (request) {
    case SelfTestRequest::Short:
      return state.shortMinutes;
    case SelfTestRequest::Extended:
      return state.extendedMinutes;
    case SelfTestRequest::Conveyance:
      return state.conveyanceMinutes;
    case SelfTestRequest::Abort:
      break;
  }
  return 0;
}

std::optional<SelfTestReply> Unsupported(SelfTestRequest request, const SelfTestState& state) {
  if (request == SelfTestRequest::Abort) return std::nullopt;
  const bool offered = request == SelfTestRequest::Conveyance ? state.conveyance : state.shortAndExtended;
  if (offered) return std::nullopt;
  return SelfTestReply{SelfTestOutcome::NotSupported, std::string("the drive does not offer ") +
                                                          (request == SelfTestRequest::Extended ? "an " : "a ") +
                                                          TestName(request)};
}

std::optional<SelfTestReply> Running(SelfTestRequest request, const SelfTestState& state) {
  if (request == SelfTestRequest::Abort || !state.running) return std::nullopt;
  return SelfTestReply{SelfTestOutcome::AlreadyRunning,
                       "a self-test is already running (" + std::to_string(state.percentDone) + " % done)"};
}

// A disk that answers no ATA: a SCSI disk runs self-tests when it keeps
// their results page, and says in that page whether one runs now.
SelfTestReply RequestScsiSelfTest(SmartDevice& device, SelfTestRequest request) {
  ScsiHealth pages;
  const auto supported = device.ScsiDataIn(LogSenseCdb(scsi_page::kSupportedPages, 0, scsi::kSupportedPagesLength));
  if (!supported || !DecodeSupportedPages(*supported, pages)) {
    return {SelfTestOutcome::NotReached, "the drive answers no S.M.A.R.T. request"};
  }
  SelfTestState state;
  state.shortAndExtended = Supports(pages, scsi_page::kSelfTestResults);
  const std::optional<ScsiSelfTestCode> code = ScsiSelfTestCodeFor(request);
  if (!code) return {SelfTestOutcome::NotSupported, "SCSI drives have no " + TestName(request)};
  if (std::optional<SelfTestReply> reply = Unsupported(request, state)) return *reply;
  if (const auto results = device.ScsiDataIn(LogSenseCdb(scsi_page::kSelfTestResults, 0, scsi::kLogPageLength))) {
    DecodeScsiSelfTestPage(*results, state);
  }
  // How far the running test is, which only sense data tells.
  if (state.running && request != SelfTestRequest::Abort) {
    if (const auto sense = device.ScsiDataIn(RequestSenseCdb(scsi::kSenseLength))) {
      state.percentDone = DecodeSenseProgress(*sense).value_or(0);
    }
  }
  if (std::optional<SelfTestReply> reply = Running(request, state)) return *reply;
  if (request == SelfTestRequest::Extended) ReadScsiSelfTestTime(device, state);
  return Answered(request, device.ScsiNonData(SendDiagnosticCdb(*code)), MinutesFor(request, state));
}

SelfTestReply RequestAtaSelfTest(SmartDevice& device, SelfTestRequest request) {
  const std::optional<uint8_t> map = device.DeviceMap();
  if (!map) return RequestScsiSelfTest(device, request);
  for (int position = 0; position < 4; ++position) {
    const bool present = (*map >> position) & 1;
    const bool packet = (*map >> (position + 4)) & 1;
    if (!present || packet) continue;
    device.EnableSmart(position);
    const std::optional<Page> data = device.SmartData(position);
    if (!data) return {SelfTestOutcome::NotReached, "the drive did not answer SMART READ DATA"};
    SelfTestState state;
    DecodeAtaSelfTestData(*data, state);
    if (std::optional<SelfTestReply> reply = Unsupported(request, state)) return *reply;
    if (std::optional<SelfTestReply> reply = Running(request, state)) return *reply;
    return Answered(request, device.SmartExecuteOffline(position, AtaSelfTestSubcommand(request)),
                    MinutesFor(request, state));
  }
  return {SelfTestOutcome::NotSupported, "a packet (ATAPI) device runs no self-tests"};
}

SelfTestReply RequestNvmeSelfTest(SmartDevice& device, SelfTestRequest request) {
  const std::optional<NvmeIdentifyData> identify = device.NvmeIdentifyController();
  if (!identify) return {SelfTestOutcome::NotReached, "the drive did not answer Identify Controller"};
  SelfTestState state;
  DecodeNvmeSelfTestSupport(*identify, state);
  if (!state.shortAndExtended) {
    return {SelfTestOutcome::NotSupported, "self-tests are not supported by this NVMe drive"};
  }
  const std::optional<uint8_t> code = NvmeSelfTestCode(request);
  if (!code) return {SelfTestOutcome::NotSupported, "NVMe drives have no " + TestName(request)};
  const DriveCommandResult result = device.NvmeDeviceSelfTest(*code);
  if (result.answer == CommandAnswer::Refused && request != SelfTestRequest::Abort &&
      NvmeSelfTestAlreadyRunning(result.status)) {
    return {SelfTestOutcome::AlreadyRunning, "a self-test is already running"};
  }
  return Answered(request, result, MinutesFor(request, state));
}

}  // namespace

bool SelfTestAccepted(SelfTestOutcome outcome) {
  return outcome == SelfTestOutcome::Started || outcome == SelfTestOutcome::Aborted;
}

SelfTestReply RequestSelfTest(SmartDevice& device, SelfTestRequest request) {
  if (device.Bus() == DriveBus::Nvme) return RequestNvmeSelfTest(device, request);
  return RequestAtaSelfTest(device, request);
}

}  // namespace taruk
