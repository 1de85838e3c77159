#include "core/drive/geometry_answer.h"

namespace {

// What Windows reports for a fixed hard disk; the pass does not read it.
constexpr uint32_t kFixedMedia = 12;
constexpr std::size_t kMediaType = 8;

uint64_t ReadLe(const uint8_t* bytes, int count) {
  uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

void WriteLe(uint8_t* bytes, uint64_t value, int count) {
  for (int i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

CapturedGeometry DecodeGeometryAnswer(const GeometryAnswer& answer) {
  CapturedGeometry geometry;
  geometry.cylinders = static_cast<int64_t>(ReadLe(answer.data(), 8));
  geometry.tracksPerCylinder = static_cast<uint32_t>(ReadLe(answer.data() + layout::kGeometryTracks, 4));
  geometry.sectorsPerTrack = static_cast<uint32_t>(ReadLe(answer.data() + layout::kGeometrySectors, 4));
  geometry.bytesPerSector = static_cast<uint32_t>(ReadLe(answer.data() + layout::kGeometryBytes, 4));
  return geometry;
}

GeometryAnswer EncodeGeometryAnswer(const CapturedGeometry& geometry) {
  GeometryAnswer answer{};
  WriteLe(answer.data(), static_cast<uint64_t>(geometry.cylinders), 8);
  WriteLe(answer.data() + kMediaType, kFixedMedia, 4);
  WriteLe(answer.data() + layout::kGeometryTracks, geometry.tracksPerCylinder, 4);
  WriteLe(answer.data() + layout::kGeometrySectors, geometry.sectorsPerTrack, 4);
  WriteLe(answer.data() + layout::kGeometryBytes, geometry.bytesPerSector, 4);
  return answer;
}
