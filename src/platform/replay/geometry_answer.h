#pragma once
// DISK_GEOMETRY bytes to and from the four numbers a capture keeps.

#include "drive/smart_device.h"
#include "platform/replay/drive_capture.h"

CapturedGeometry DecodeGeometryAnswer(const GeometryAnswer& answer);
GeometryAnswer EncodeGeometryAnswer(const CapturedGeometry& geometry);
