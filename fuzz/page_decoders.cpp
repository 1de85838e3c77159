// The page decoders and the whole reading pass over whatever a drive might
// answer: the input decides which requests succeed, the geometry and every
// page byte. Nothing may crash or read outside its buffers, and the report of
// the result must still be built.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "core/capture/capture_device.h"
#include "core/drive/identify.h"
#include "core/drive/nvme_bridge_commands.h"
#include "core/drive/read_drive_info.h"
#include "core/drive/scsi_commands.h"
#include "core/drive/scsi_log_pages.h"
#include "core/drive/smart_attributes.h"
#include "core/view/drive_report.h"

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
  // A SCSI answer: a length byte, then that many bytes.
  std::vector<uint8_t> NextAnswer() {
    std::vector<uint8_t> answer(Next<uint8_t>());
    if (!answer.empty()) Take(answer.data(), answer.size());  // an empty vector's data() may be null
    return answer;
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
    capture.geometry =
        DriveGeometry{input.Next<int64_t>(), input.Next<uint32_t>(), input.Next<uint32_t>(), input.Next<uint32_t>()};
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

  // A disk that answers SCSI commands only: every command the pass sends
  // gets a short answer from the input, then the decoders once more alone.
  DriveCapture scsi;
  if (input.Next<uint8_t>() & 1) scsi.geometry = capture.geometry;
  for (const ScsiCdb& cdb : {InquiryCdb(96), InquiryVpdCdb(scsi::kUnitSerialNumberPage, 252), ReadCapacity16Cdb(32),
                             ReadCapacity10Cdb(), LogSenseCdb(0x00, 0, 252), RequestSenseCdb(32)}) {
    scsi.scsiAnswers[cdb] = input.NextAnswer();
  }
  scsi.scsiAnswers[ReadDefectData12Cdb(8)] = input.NextAnswer();
  scsi.scsiAnswers[ReadDefectData10Cdb(4)] = input.NextAnswer();
  scsi.scsiAnswers[ModeSense10Cdb(scsi::kControlModePage, 64)] = input.NextAnswer();
  scsi.scsiAnswers[ModeSense6Cdb(scsi::kControlModePage, 64)] = input.NextAnswer();
  for (const uint8_t page : {0x0D, 0x2F, 0x0E, 0x03, 0x02, 0x05, 0x06, 0x15, 0x10}) {
    scsi.scsiAnswers[LogSenseCdb(page, 0, 512)] = input.NextAnswer();
  }
  OneCapture scsiOpener(scsi);
  DriveSlots scsiSlots = DriveSlots(1);
  ReadDriveInfo(scsiOpener, 0, scsiSlots[0]);
  if (DriveReportJson(scsiSlots).empty() || DriveReportText(scsiSlots).empty()) __builtin_trap();
  const std::vector<uint8_t> rest = input.NextAnswer();
  ScsiHealth health;
  DecodeSupportedPages(rest, health);
  DecodeTemperaturePage(rest, health);
  DecodeInformationalExceptions(rest, health);
  DecodeStartStopCycles(rest, health);
  DecodeErrorCounterPage(rest, rest.empty() ? 0 : rest[0], health);
  DecodeNonMediumErrors(rest, health);
  DecodeBackgroundScan(rest, health);
  DecodeInquiry(rest);
  DecodeUnitSerialNumber(rest);
  DecodeReadCapacity10(rest);
  DecodeReadCapacity16(rest);
  DecodeSense(rest);
  DecodeJmicronResponse(rest);
  return 0;
}
