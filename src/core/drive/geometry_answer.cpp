#include "core/drive/geometry_answer.h"

#include "core/base/little_endian.h"

namespace {

// What Windows reports for a fixed hard disk; the pass does not read it.
constexpr uint32_t kFixedMedia = 12;
constexpr std::size_t kMediaType = 8;

}  // namespace

CapturedGeometry DecodeGeometryAnswer(const GeometryAnswer& answer) {
  CapturedGeometry geometry;
  geometry.cylinders = static_cast<int64_t>(ReadLittleEndian(std::span(answer).first(8)));
  geometry.tracksPerCylinder = ReadLittleEndian32(answer.data() + layout::kGeometryTracks);
  geometry.sectorsPerTrack = ReadLittleEndian32(answer.data() + layout::kGeometrySectors);
  geometry.bytesPerSector = ReadLittleEndian32(answer.data() + layout::kGeometryBytes);
  return geometry;
}

GeometryAnswer EncodeGeometryAnswer(const CapturedGeometry& geometry) {
  GeometryAnswer answer{};
  WriteLittleEndian(std::span(answer).first(8), static_cast<uint64_t>(geometry.cylinders));
  WriteLittleEndian32(answer.data() + kMediaType, kFixedMedia);
  WriteLittleEndian32(answer.data() + layout::kGeometryTracks, geometry.tracksPerCylinder);
  WriteLittleEndian32(answer.data() + layout::kGeometrySectors, geometry.sectorsPerTrack);
  WriteLittleEndian32(answer.data() + layout::kGeometryBytes, geometry.bytesPerSector);
  return answer;
}
