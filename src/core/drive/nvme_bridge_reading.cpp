#include "core/drive/nvme_bridge_reading.h"

#include <algorithm>
#include <array>
#include <iterator>

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

// Passes every command on to the chip and keeps those that got through,
// with their data.
class KeepingTransport : public ScsiTransport {
 public:
  explicit KeepingTransport(ScsiTransport& transport) : transport_(transport) {}
  bool Transfer(std::span<const uint8_t> cdb, std::span<uint8_t> dataIn, std::span<const uint8_t> dataOut,
                unsigned timeoutMs) override {
    if (!transport_.Transfer(cdb, dataIn, dataOut, timeoutMs)) return false;
    kept_.push_back({{cdb.begin(), cdb.end()}, {dataIn.begin(), dataIn.end()}, {dataOut.begin(), dataOut.end()}});
    return true;
  }
  std::vector<BridgeTransfer>& kept() { return kept_; }

 private:
  ScsiTransport& transport_;
  std::vector<BridgeTransfer> kept_;
};

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

// Only a read that got through keeps its commands: a replay of them then
// fails where the live read failed, at its first command.
bool NvmeBridgeDrive::Read(const NvmeAdminRead& read, std::span<uint8_t> data, unsigned timeoutMs) {
  KeepingTransport keeping(transport_);
  if (!ReadThroughNvmeBridge(keeping, scheme_, read, data, timeoutMs)) return false;
  std::move(keeping.kept().begin(), keeping.kept().end(), std::back_inserter(traffic_));
  return true;
}

bool NvmeBridgeDrive::IsNvme() {
  if (scheme_ == NvmeBridgeScheme::None) return false;
  if (*form_ == BridgeAtaForm::Unknown && !asked_) {
    asked_ = true;
    NvmeIdentifyData data{};
    if (Read(IdentifyControllerRead(), data, probeTimeoutMs_)) {
      identify_ = data;
      *form_ = BridgeAtaForm::NvmeCommands;
    }
  }
  return *form_ == BridgeAtaForm::NvmeCommands;
}

std::optional<NvmeIdentifyData> NvmeBridgeDrive::IdentifyController() {
  if (identify_ || !IsNvme()) return identify_;
  NvmeIdentifyData data{};
  if (!Read(IdentifyControllerRead(), data, timeoutMs_)) return std::nullopt;
  identify_ = data;
  return identify_;
}

std::optional<Page> NvmeBridgeDrive::HealthLog() {
  constexpr uint8_t kHealthLog = 0x02;
  if (!IsNvme()) return std::nullopt;
  Page page{};
  if (!Read(LogPageRead(kHealthLog, kPageSize), page, timeoutMs_)) {
    return std::nullopt;
  }
  return page;
}

}  // namespace taruk
