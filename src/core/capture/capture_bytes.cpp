#include "core/capture/capture_bytes.h"

#include <cstdint>
#include <cstring>
#include <span>
#include <tuple>

#include "core/base/little_endian.h"

namespace taruk {

namespace {

constexpr std::size_t kPositions = 4;
constexpr std::size_t kShortestCdb = 6;
constexpr std::size_t kLongestCdb = 16;
constexpr std::size_t kLongestBridgeData = std::tuple_size_v<NvmeIdentifyData>;
constexpr std::size_t kLongestDriverName = 32;

// One tag a record; the numbers are what goes between the processes.
enum class Record : uint8_t {
  DeviceMap = 1,         // map
  Geometry = 2,          // cylinders (8), tracks, sectors, bytes per sector (4 each)
  PowerMode = 3,         // position, mode
  Enable = 4,            // position, 0 or 1
  Identify = 5,          // position, page
  SmartData = 6,         // position, page
  SmartThresholds = 7,   // position, page
  SmartLog = 8,          // position, log address, page
  Nvme = 9,              // nothing
  NvmeIdentify = 10,     // 4096 bytes
  NvmeHealthLog = 11,    // page
  NvmeSensor = 12,       // kelvin (2)
  NvmeSelfTestLog = 13,  // 564 bytes
  ScsiAnswer = 14,       // command length (1), command, data length (4), data
  UsbBridge = 15,        // vendor, product, release (2 each), driver length (1), driver
  BridgeAnswer = 16,     // as ScsiAnswer
  BridgeSent = 17,       // as ScsiAnswer
};

class Writer {
 public:
  void Put8(uint8_t value) { bytes_ += static_cast<char>(value); }
  void Put16(uint16_t value) { PutNumber(value, 2); }
  void Put32(uint32_t value) { PutNumber(value, 4); }
  void Put64(uint64_t value) { PutNumber(value, 8); }
  void Put(std::span<const uint8_t> data) { bytes_.append(reinterpret_cast<const char*>(data.data()), data.size()); }
  void Put(Record tag) { Put8(static_cast<uint8_t>(tag)); }
  void Put(Record tag, std::size_t position) {
    Put(tag);
    Put8(static_cast<uint8_t>(position));
  }
  // A section that is there or not, of its fixed size.
  template <std::size_t N>
  void PutOnce(Record tag, const std::optional<std::array<uint8_t, N>>& section) {
    if (!section) return;
    Put(tag);
    Put(*section);
  }
  // A command and the bytes that went with it.
  void PutTransfer(Record tag, const ScsiCdb& cdb, std::span<const uint8_t> data) {
    Put(tag);
    Put8(static_cast<uint8_t>(cdb.size()));
    Put(cdb);
    Put32(static_cast<uint32_t>(data.size()));
    Put(data);
  }
  std::string Take() { return std::move(bytes_); }

 private:
  void PutNumber(uint64_t value, std::size_t size) {
    uint8_t number[8];
    WriteLittleEndian(std::span<uint8_t>(number, size), value);
    Put(std::span<const uint8_t>(number, size));
  }
  std::string bytes_;
};

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  bool AtEnd() const { return next_ == bytes_.size(); }
  std::size_t Offset() const { return next_; }

  bool Take(std::span<uint8_t> out) {
    if (bytes_.size() - next_ < out.size()) return false;
    if (!out.empty()) std::memcpy(out.data(), bytes_.data() + next_, out.size());
    next_ += out.size();
    return true;
  }
  template <typename Number>
  bool TakeNumber(Number& value) {
    uint8_t number[sizeof(Number)];
    if (!Take(number)) return false;
    value = static_cast<Number>(ReadLittleEndian(number));
    return true;
  }
  bool TakePosition(std::size_t& position) {
    uint8_t value = 0;
    if (!TakeNumber(value) || value >= kPositions) return false;
    position = value;
    return true;
  }
  // A command of 6 to 16 bytes, then at most `longest` bytes of data.
  bool TakeTransfer(std::size_t longest, ScsiCdb& cdb, std::vector<uint8_t>& data) {
    uint8_t cdbLength = 0;
    uint32_t dataLength = 0;
    if (!TakeNumber(cdbLength) || cdbLength < kShortestCdb || cdbLength > kLongestCdb) return false;
    cdb.resize(cdbLength);
    if (!Take(cdb) || !TakeNumber(dataLength) || dataLength > longest) return false;
    data.resize(dataLength);
    return Take(data);
  }

 private:
  std::string_view bytes_;
  std::size_t next_ = 0;
};

// A section that may come once, of its fixed size.
template <std::size_t N>
bool TakeOnce(Reader& in, std::optional<std::array<uint8_t, N>>& section) {
  std::array<uint8_t, N> bytes{};
  if (section || !in.Take(bytes)) return false;
  section = bytes;
  return true;
}

// What one record adds; false for a record that is cut short, out of its
// bounds, or given twice.
bool DecodeRecord(Record tag, Reader& in, DriveCapture& capture) {
  std::size_t position = 0;
  switch (tag) {
    case Record::DeviceMap: {
      uint8_t map = 0;
      if (capture.deviceMap || !in.TakeNumber(map)) return false;
      capture.deviceMap = map;
      return true;
    }
    case Record::Geometry: {
      DriveGeometry g;
      if (capture.geometry || !in.TakeNumber(g.cylinders) || g.cylinders < 0 || !in.TakeNumber(g.tracksPerCylinder) ||
          !in.TakeNumber(g.sectorsPerTrack) || !in.TakeNumber(g.bytesPerSector)) {
        return false;
      }
      capture.geometry = g;
      return true;
    }
    case Record::PowerMode: {
      uint8_t mode = 0;
      if (!in.TakePosition(position) || capture.powerMode[position] || !in.TakeNumber(mode)) return false;
      capture.powerMode[position] = mode;
      return true;
    }
    case Record::Enable: {
      uint8_t enabled = 0;
      if (!in.TakePosition(position) || capture.enable[position] || !in.TakeNumber(enabled) || enabled > 1) {
        return false;
      }
      capture.enable[position] = enabled == 1;
      return true;
    }
    case Record::Identify:
    case Record::SmartData:
    case Record::SmartThresholds: {
      auto& pages = tag == Record::Identify    ? capture.identify
                    : tag == Record::SmartData ? capture.smartData
                                               : capture.smartThresholds;
      return in.TakePosition(position) && TakeOnce(in, pages[position]);
    }
    case Record::SmartLog: {
      uint8_t address = 0;
      Page page{};
      return in.TakePosition(position) && in.TakeNumber(address) && in.Take(page) &&
             capture.smartLogs[position].emplace(address, page).second;
    }
    case Record::Nvme:
      if (capture.nvme) return false;
      capture.nvme = true;
      return true;
    case Record::NvmeIdentify:
      return TakeOnce(in, capture.nvmeIdentify);
    case Record::NvmeHealthLog:
      return TakeOnce(in, capture.nvmeHealthLog);
    case Record::NvmeSensor: {
      uint16_t kelvin = 0;
      if (capture.nvmeSensorKelvin || !in.TakeNumber(kelvin)) return false;
      capture.nvmeSensorKelvin = kelvin;
      return true;
    }
    case Record::NvmeSelfTestLog:
      return TakeOnce(in, capture.nvmeSelfTestLog);
    case Record::ScsiAnswer:
    case Record::BridgeAnswer:
    case Record::BridgeSent: {
      ScsiCdb cdb;
      std::vector<uint8_t> data;
      if (!in.TakeTransfer(tag == Record::ScsiAnswer ? scsi::kMostDataIn : kLongestBridgeData, cdb, data)) {
        return false;
      }
      if (tag == Record::BridgeSent) return capture.bridgeSent.emplace(std::move(cdb), std::move(data)).second;
      auto& answers = tag == Record::ScsiAnswer ? capture.scsiAnswers : capture.bridgeAnswers;
      return answers.emplace(std::move(cdb), std::move(data)).second;
    }
    case Record::UsbBridge: {
      UsbBridge bridge;
      uint8_t length = 0;
      if (capture.usbBridge || !in.TakeNumber(bridge.vendor) || !in.TakeNumber(bridge.product) ||
          !in.TakeNumber(bridge.release) || !in.TakeNumber(length) || length > kLongestDriverName) {
        return false;
      }
      std::vector<uint8_t> name(length);
      if (!in.Take(name)) return false;
      bridge.driver.assign(name.begin(), name.end());
      if (!bridge.driver.empty() && !IsUsbDriverName(bridge.driver)) return false;
      capture.usbBridge = std::move(bridge);
      return true;
    }
  }
  return false;  // a tag no writer uses
}

}  // namespace

std::string EncodeCapture(const DriveCapture& capture) {
  Writer out;
  if (capture.deviceMap) {
    out.Put(Record::DeviceMap);
    out.Put8(*capture.deviceMap);
  }
  if (capture.geometry) {
    const DriveGeometry& g = *capture.geometry;
    out.Put(Record::Geometry);
    out.Put64(static_cast<uint64_t>(g.cylinders));
    out.Put32(g.tracksPerCylinder);
    out.Put32(g.sectorsPerTrack);
    out.Put32(g.bytesPerSector);
  }
  if (capture.nvme) out.Put(Record::Nvme);
  out.PutOnce(Record::NvmeIdentify, capture.nvmeIdentify);
  out.PutOnce(Record::NvmeHealthLog, capture.nvmeHealthLog);
  if (capture.nvmeSensorKelvin) {
    out.Put(Record::NvmeSensor);
    out.Put16(*capture.nvmeSensorKelvin);
  }
  out.PutOnce(Record::NvmeSelfTestLog, capture.nvmeSelfTestLog);
  if (capture.usbBridge) {
    const UsbBridge& bridge = *capture.usbBridge;
    out.Put(Record::UsbBridge);
    out.Put16(bridge.vendor);
    out.Put16(bridge.product);
    out.Put16(bridge.release);
    out.Put8(static_cast<uint8_t>(bridge.driver.size()));
    out.Put(std::span(reinterpret_cast<const uint8_t*>(bridge.driver.data()), bridge.driver.size()));
  }
  for (const auto& [cdb, answer] : capture.scsiAnswers) out.PutTransfer(Record::ScsiAnswer, cdb, answer);
  for (const auto& [cdb, block] : capture.bridgeSent) out.PutTransfer(Record::BridgeSent, cdb, block);
  for (const auto& [cdb, answer] : capture.bridgeAnswers) out.PutTransfer(Record::BridgeAnswer, cdb, answer);
  for (std::size_t position = 0; position < kPositions; ++position) {
    if (capture.powerMode[position]) {
      out.Put(Record::PowerMode, position);
      out.Put8(*capture.powerMode[position]);
    }
    if (capture.enable[position]) {
      out.Put(Record::Enable, position);
      out.Put8(*capture.enable[position] ? 1 : 0);
    }
    const std::pair<Record, const std::optional<Page>*> pages[] = {
        {Record::Identify, &capture.identify[position]},
        {Record::SmartData, &capture.smartData[position]},
        {Record::SmartThresholds, &capture.smartThresholds[position]}};
    for (const auto& [tag, page] : pages) {
      if (!*page) continue;
      out.Put(tag, position);
      out.Put(**page);
    }
    for (const auto& [address, page] : capture.smartLogs[position]) {
      out.Put(Record::SmartLog, position);
      out.Put8(address);
      out.Put(page);
    }
  }
  return out.Take();
}

bool DecodeCapture(std::string_view bytes, DriveCapture& capture, std::string& error) {
  DriveCapture decoded;
  Reader in(bytes);
  while (!in.AtEnd()) {
    const std::size_t start = in.Offset();
    uint8_t tag = 0;
    in.TakeNumber(tag);
    if (!DecodeRecord(static_cast<Record>(tag), in, decoded)) {
      error = "the capture's record " + std::to_string(tag) + " at byte " + std::to_string(start) +
              " is cut short, out of bounds or repeated";
      return false;
    }
  }
  capture = std::move(decoded);
  return true;
}

}  // namespace taruk
