#pragma once
// DISK_GEOMETRY bytes to and from the four numbers the pass keeps and a
// capture records.

#include <cstdint>

#include "core/drive/smart_device.h"

struct CapturedGeometry {
  int64_t cylinders = 0;
  uint32_t tracksPerCylinder = 0;
  uint32_t sectorsPerTrack = 0;
  uint32_t bytesPerSector = 0;
  friend bool operator==(const CapturedGeometry&, const CapturedGeometry&) = default;
};

CapturedGeometry DecodeGeometryAnswer(const GeometryAnswer& answer);
GeometryAnswer EncodeGeometryAnswer(const CapturedGeometry& geometry);
