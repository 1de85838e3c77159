#include "core/drive/nvme_bridge_reading.h"

#include <algorithm>
#include <array>

namespace taruk {

namespace {

// JMicron: the command block out, the data in, then the bridge's response,
// which carries the drive's status.
bool ReadThroughJmicron(ScsiTransport& transport, const NvmeAdminRead& read, std::span<uint8_t> data,
                        unsigned timeoutMs) {
  const auto block = JmicronCommandBlock(read);
  if (!transport.Transfer(JmicronCdb(jmicron::kSendCommand, jmicron::kBlockLength), {}, block, timeoutMs)) {
    return false;
  }
  if (!transport.Transfer(JmicronCdb(jmicron::kDataIn, static_cast<uint32_t>(data.size())), data, {}, timeoutMs)) {
    return false;
  }
  std::array<uint8_t, jmicron::kBlockLength> response{};
  if (!transport.Transfer(JmicronCdb(jmicron::kResponse, jmicron::kBlockLength), response, {}, timeoutMs)) {
    return false;
  }
  const std::optional<JmicronResponse> answer = DecodeJmicronResponse(response);
  return answer && answer->status == 0;
}

}  // namespace

bool ReadThroughNvmeBridge(ScsiTransport& transport, NvmeBridgeScheme scheme, const NvmeAdminRead& read,
                           std::span<uint8_t> data, unsigned timeoutMs) {
  if (data.size() < read.length) return false;
  switch (scheme) {
    case NvmeBridgeScheme::Asmedia:
      return transport.Transfer(AsmediaNvmeCdb(read), data.first(read.length), {}, timeoutMs);
    case NvmeBridgeScheme::Realtek: {
      const ScsiCdb cdb = RealtekNvmeCdb(read);
      const std::size_t length = static_cast<std::size_t>(cdb[1]) | static_cast<std::size_t>(cdb[2]) << 8;
      return transport.Transfer(cdb, data.first(std::min<std::size_t>(length, read.length)), {}, timeoutMs);
    }
    case NvmeBridgeScheme::Jmicron:
      return ReadThroughJmicron(transport, read, data.first(read.length), timeoutMs);
    case NvmeBridgeScheme::None:
      break;
  }
  return false;
}

NvmeBridgeDrive::NvmeBridgeDrive(ScsiTransport& transport, NvmeBridgeScheme scheme, std::shared_ptr<BridgeAtaForm> form,
                                 unsigned probeTimeoutMs, unsigned timeoutMs)
    : transport_(transport),
      scheme_(form ? scheme : NvmeBridgeScheme::None),
      form_(std::move(form)),
      probeTimeoutMs_(probeTimeoutMs),
      timeoutMs_(timeoutMs) {}

bool NvmeBridgeDrive::IsNvme() {
  if (scheme_ == NvmeBridgeScheme::None) return false;
  if (*form_ == BridgeAtaForm::Unknown && !asked_) {
    asked_ = true;
    NvmeIdentifyData data{};
    if (ReadThroughNvmeBridge(transport_, scheme_, IdentifyControllerRead(), data, probeTimeoutMs_)) {
      identify_ = data;
      *form_ = BridgeAtaForm::NvmeCommands;
    }
  }
  return *form_ == BridgeAtaForm::NvmeCommands;
}

std::optional<NvmeIdentifyData> NvmeBridgeDrive::IdentifyController() {
  if (identify_ || !IsNvme()) return identify_;
  NvmeIdentifyData data{};
  if (!ReadThroughNvmeBridge(transport_, scheme_, IdentifyControllerRead(), data, timeoutMs_)) return std::nullopt;
  identify_ = data;
  return identify_;
}

std::optional<Page> NvmeBridgeDrive::HealthLog() {
  constexpr uint8_t kHealthLog = 0x02;
  if (!IsNvme()) return std::nullopt;
  Page page{};
  if (!ReadThroughNvmeBridge(transport_, scheme_, LogPageRead(kHealthLog, kPageSize), page, timeoutMs_)) {
    return std::nullopt;
  }
  return page;
}

}  // namespace taruk
