#pragma once
// DISK_GEOMETRY bytes to and from the four numbers a capture keeps.

#include "core/drive/smart_device.h"
#include "core/capture/drive_capture.h"

CapturedGeometry DecodeGeometryAnswer(const GeometryAnswer& answer);
GeometryAnswer EncodeGeometryAnswer(const CapturedGeometry& geometry);
