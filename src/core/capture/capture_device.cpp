#include "core/capture/capture_device.h"

#include <algorithm>

#include "core/drive/request_block.h"
#include "core/drive/geometry_answer.h"

namespace {

// Position the request block is for, or -1 when it names none of 0..3.
int PositionFor(const RequestBlock& request) {
  const int position = PositionOf(request);
  return position < 4 ? position : -1;
}

void PutPage(const Page& page, DataAnswer& answer) {
  // The driver's header: cBufferSize of the page that follows; status 0.
  answer[layout::kBufferSize] = static_cast<uint8_t>(kPageSize & 0xFF);
  answer[layout::kBufferSize + 1] = static_cast<uint8_t>(kPageSize >> 8);
  std::copy(page.begin(), page.end(), answer.begin() + layout::kPage);
}

}  // namespace

bool CaptureDevice::GetVersion(VersionAnswer& answer) {
  if (!capture_.deviceMap) return false;
  answer[0] = 1;  // bVersion
  answer[layout::kDeviceMap] = *capture_.deviceMap;
  return true;
}

bool CaptureDevice::GetGeometry(GeometryAnswer& answer) {
  if (!capture_.geometry) return false;
  answer = EncodeGeometryAnswer(*capture_.geometry);
  return true;
}

bool CaptureDevice::SendDriveCommand(const RequestBlock& request, CommandAnswer& /*answer*/) {
  const int position = PositionFor(request);
  if (position < 0 || request != EnableSmartRequest(position)) return false;
  return capture_.enable[position].value_or(false);
}

bool CaptureDevice::ReceiveDriveData(const RequestBlock& request, DataAnswer& answer) {
  const int position = PositionFor(request);
  if (position < 0) return false;
  const std::optional<Page>* page = nullptr;
  // An ATA device refuses IDENTIFY PACKET DEVICE and a packet device refuses
  // IDENTIFY DEVICE, so only the command that fits the device map is answered.
  const bool packetDevice = capture_.deviceMap && ((*capture_.deviceMap >> (position + 4)) & 1);
  if (request == IdentifyRequest(position, packetDevice)) {
    page = &capture_.identify[position];
  } else if (request == SmartReadDataRequest(position)) {
    page = &capture_.smartData[position];
  } else if (request == SmartReadThresholdsRequest(position)) {
    page = &capture_.smartThresholds[position];
  }
  if (!page || !*page) return false;
  PutPage(**page, answer);
  return true;
}

std::optional<uint8_t> CaptureDevice::CheckPowerMode(int position) {
  if (position < 0 || position >= 4) return std::nullopt;
  return capture_.powerMode[static_cast<std::size_t>(position)];
}
