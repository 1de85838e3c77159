// The cost of one drive's reading pass and of its two decoders. The monitor
// runs the pass for four drives on every tick, on the window's thread.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "core/capture/capture_bytes.h"
#include "core/capture/capture_device.h"
#include "core/capture/replay_device_opener.h"
#include "core/drive/identify.h"
#include "core/drive/read_drive_info.h"
#include "core/drive/smart_attributes.h"

using namespace taruk;

namespace {

// The demo's drives by kind: drive 0 speaks NVMe, drive 1 is a plain ATA
// disk at position 0 (the one a monitor tick reads in full), drive 3 has an
// ATAPI device at position 0 and its disk at position 1.
constexpr int kNvmeDrive = 0;
constexpr int kAtaDrive = 1;
constexpr int kAtapiAndAtaDrive = 3;

DriveCapture DemoCapture(int drive) {
  std::ifstream file(std::string(TARUK_DEMO_DIR) + "/drive" + std::to_string(drive) + ".capture");
  std::stringstream text;
  text << file.rdbuf();
  DriveCapture capture;
  std::string error;
  if (!ParseCapture(text.str(), "demo", capture, error)) std::abort();
  return capture;
}

// What a changed capture file costs on top of the read.
void ParseDemoCapture(benchmark::State& state) {
  const std::string text = FormatCapture(DemoCapture(3));
  DriveCapture capture;
  std::string error;
  for (auto _ : state) {
    if (!ParseCapture(text, "demo", capture, error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(capture.deviceMap);
  }
}
BENCHMARK(ParseDemoCapture);

// The same capture as the bytes a serving reader sends its monitor.
void DecodeDemoCaptureBytes(benchmark::State& state) {
  const DriveCapture expected = DemoCapture(3);
  const std::string bytes = EncodeCapture(expected);
  DriveCapture capture;
  std::string error;
  for (auto _ : state) {
    if (!DecodeCapture(bytes, capture, error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(capture.deviceMap);
  }
  if (!(capture == expected)) state.SkipWithError("the bytes did not decode to the capture");
  state.counters["bytes"] = static_cast<double>(bytes.size());
  state.counters["text_bytes"] = static_cast<double>(FormatCapture(expected).size());
}
BENCHMARK(DecodeDemoCaptureBytes);

void DecodeIdentify(benchmark::State& state) {
  const DriveCapture capture = DemoCapture(kAtaDrive);
  if (!capture.identify[0]) std::abort();  // an NVMe capture has no IDENTIFY page
  const Page page = *capture.identify[0];
  DriveSlot slot;
  for (auto _ : state) {
    Page copy = page;  // the decoder swaps the text words in place
    DecodeIdentifyPage(copy, slot);
    benchmark::DoNotOptimize(slot.model.data());
  }
  if (slot.model.find(L"ST3160") == std::wstring::npos || slot.serialNumber.empty() || slot.idCylinders == 0) {
    state.SkipWithError("the IDENTIFY page did not decode to the Seagate's identity");
  }
}
BENCHMARK(DecodeIdentify);

void StoreAttributesAndThresholds(benchmark::State& state) {
  const DriveCapture capture = DemoCapture(kAtapiAndAtaDrive);
  if (!capture.smartData[1] || !capture.smartThresholds[1]) std::abort();
  DriveSlot slot;
  for (auto _ : state) {
    StoreSmartAttributes(*capture.smartData[1], *capture.smartThresholds[1], slot);
    benchmark::DoNotOptimize(slot.attributes.data());
  }
  if (slot.attributes[0].id == 0 || slot.powerOnHours == 0) state.SkipWithError("no attribute was stored");
}
BENCHMARK(StoreAttributesAndThresholds);

// The whole pass as `taruk --replay` runs it: open (read the capture file,
// parsed again only when its text changed), version, geometry, enable,
// identify, both pages, close.
// A pass that read the drive in full: identity, temperature and work time.
bool ReadInFull(const DriveSlot& slot) {
  return slot.IsPresent() && !slot.model.empty() && slot.temperature != 0 && slot.powerOnHours != 0;
}

// Argument: the demo drive, the ATA disk or the NVMe one.
void ReadDriveInfoReplayedFromFile(benchmark::State& state) {
  const int drive = static_cast<int>(state.range(0));
  ReplayDeviceOpener opener(TARUK_DEMO_DIR);
  DriveSlot slot;
  for (auto _ : state) {
    ReadDriveInfo(opener, drive, slot);
    benchmark::DoNotOptimize(slot.temperature);
  }
  if (!ReadInFull(slot)) state.SkipWithError("the demo drive was not read in full");
}
BENCHMARK(ReadDriveInfoReplayedFromFile)->Arg(kAtaDrive)->Arg(kNvmeDrive);

// The same pass with the capture already in memory: the pass's own cost.
void ReadDriveInfoReplayedInMemory(benchmark::State& state) {
  class Opener : public DeviceOpener {
   public:
    explicit Opener(int drive) : capture(DemoCapture(drive)) {}
    DriveCapture capture;
    std::unique_ptr<SmartDevice> Open(int) override { return std::make_unique<CaptureDevice>(capture); }
  } opener(static_cast<int>(state.range(0)));
  DriveSlot slot;
  for (auto _ : state) {
    ReadDriveInfo(opener, 0, slot);
    benchmark::DoNotOptimize(slot.temperature);
  }
  if (!ReadInFull(slot)) state.SkipWithError("the demo drive was not read in full");
}
BENCHMARK(ReadDriveInfoReplayedInMemory)->Arg(kAtaDrive)->Arg(kNvmeDrive);

// A monitor tick's pass over a drive that is awake (argument 0xFF) or in
// standby (0x00), counting what reaches the drive: ATA commands (CHECK POWER
// MODE, SMART ENABLE OPERATIONS, IDENTIFY, both pages), apart from the
// version and geometry requests that the driver answers itself. A sleeping
// drive must get CHECK POWER MODE alone.
void ReadDriveInfoTickByPowerMode(benchmark::State& state) {
  class CountingDevice : public CaptureDevice {
   public:
    CountingDevice(DriveCapture capture, int& commands) : CaptureDevice(std::move(capture)), commands_(commands) {}
    bool EnableSmart(int position) override {
      ++commands_;
      return CaptureDevice::EnableSmart(position);
    }
    std::optional<Page> Identify(int position, bool packetDevice) override {
      ++commands_;
      return CaptureDevice::Identify(position, packetDevice);
    }
    std::optional<Page> SmartData(int position) override {
      ++commands_;
      return CaptureDevice::SmartData(position);
    }
    std::optional<Page> SmartThresholds(int position) override {
      ++commands_;
      return CaptureDevice::SmartThresholds(position);
    }
    std::optional<uint8_t> CheckPowerMode(int position) override {
      ++commands_;
      return CaptureDevice::CheckPowerMode(position);
    }

   private:
    int& commands_;
  };
  class Opener : public DeviceOpener {
   public:
    DriveCapture capture = DemoCapture(kAtaDrive);
    int commands = 0;
    std::unique_ptr<SmartDevice> Open(int) override { return std::make_unique<CountingDevice>(capture, commands); }
  } opener;
  opener.capture.powerMode[0] = static_cast<uint8_t>(state.range(0));
  DriveSlot slot;
  ReadDriveInfo(opener, 0, slot);  // the start: the drive becomes present
  opener.commands = 0;
  int64_t passes = 0;
  for (auto _ : state) {
    ReadDriveInfo(opener, 0, slot);
    benchmark::DoNotOptimize(slot.temperature);
    ++passes;
  }
  const double perPass = static_cast<double>(opener.commands) / static_cast<double>(passes);
  state.counters["ata_commands_per_pass"] = perPass;
  // Awake: CHECK POWER MODE, ENABLE, IDENTIFY and both pages; asleep: the first alone.
  const double expected = state.range(0) == 0x00 ? 1 : 5;
  if (perPass != expected) state.SkipWithError("the pass sent another number of ATA commands than expected");
}
BENCHMARK(ReadDriveInfoTickByPowerMode)->Arg(0xFF)->Arg(0x00);

}  // namespace
