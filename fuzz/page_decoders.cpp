// The page decoders and the whole reading pass over whatever a drive might
// answer: the input decides which requests succeed, the geometry and every
// page byte. Nothing may crash or read outside its buffers, and the report of
// the result must still be built.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "core/capture/drive_report.h"
#include "core/drive/identify.h"
#include "core/drive/read_drive_info.h"
#include "core/drive/smart_attributes.h"
#include "core/capture/capture_device.h"

using namespace taruk;

namespace {

// Hands the input out in order; zeros once it runs dry.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  void Take(void* out, size_t count) {
    const size_t available = std::min(count, size_ - used_);
    std::memcpy(out, data_ + used_, available);
    std::memset(static_cast<uint8_t*>(out) + available, 0, count - available);
    used_ += available;
  }
  template <typename T>
  T Next() {
    T value;
    Take(&value, sizeof value);
    return value;
  }
  Page NextPage() {
    Page page;
    Take(page.data(), page.size());
    return page;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t used_ = 0;
};

class OneCapture : public DeviceOpener {
 public:
  explicit OneCapture(const DriveCapture& capture) : capture_(capture) {}
  std::unique_ptr<SmartDevice> Open(int) override { return std::make_unique<CaptureDevice>(capture_); }

 private:
  const DriveCapture& capture_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input input(data, size);
  const uint16_t present = input.Next<uint16_t>();  // which answers exist
  DriveCapture capture;
  if (present & 1) capture.deviceMap = input.Next<uint8_t>();
  if (present & 2) {
    capture.geometry = CapturedGeometry{input.Next<int64_t>(), input.Next<uint32_t>(), input.Next<uint32_t>(),
                                        input.Next<uint32_t>()};
  }
  const uint8_t enable = input.Next<uint8_t>();
  for (int position = 0; position < 4; ++position) {
    if ((enable >> position) & 1) capture.enable[position] = ((enable >> (position + 4)) & 1) != 0;
    if ((present >> (4 + position)) & 1) capture.identify[position] = input.NextPage();
    if ((present >> (8 + position)) & 1) capture.smartData[position] = input.NextPage();
    if ((present >> (12 + position)) & 1) capture.smartThresholds[position] = input.NextPage();
  }

  // Two passes into the same slot, as the monitor does from tick to tick.
  OneCapture opener(capture);
  DriveSlots slots = DriveSlots(kDiskButtonCount);
  ReadDriveInfo(opener, 1, slots[1]);
  ReadDriveInfo(opener, 1, slots[1]);
  const std::string json = DriveReportJson(slots);
  const std::string text = DriveReportText(slots);
  if (json.empty() || text.empty()) __builtin_trap();

  // The decoders on their own, on the rest of the input.
  Page identify = input.NextPage();
  const Page attributes = input.NextPage();
  const Page thresholds = input.NextPage();
  DriveSlot slot;
  DecodeIdentifyPage(identify, slot);
  StoreSmartAttributes(attributes, thresholds, slot);
  if (slot.model.size() > 40 || slot.firmware.size() > 8 || slot.serialNumber.size() > 20) __builtin_trap();
  ComputeCapacity(slot);
  return 0;
}
