#include "core/drive/drive_id.h"

#include <cstdio>

namespace taruk {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f' || c == L'\v'; }

// What udev makes of a drive's text for a /dev/disk/by-id name: the padding
// dropped, every run of blanks one '_', and anything outside the characters
// a file name there may hold '_' too.
std::string ByIdText(const std::wstring& text) {
  size_t first = 0;
  size_t end = text.size();
  while (first < end && IsBlank(text[first])) ++first;
  while (end > first && IsBlank(text[end - 1])) --end;
  std::string out;
  for (size_t i = first; i < end; ++i) {
    const wchar_t c = text[i];
    if (IsBlank(c)) {
      if (!IsBlank(text[i - 1])) out += '_';
      continue;
    }
    const bool kept = (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'#' ||
                      c == L'+' || c == L'-' || c == L'.' || c == L':' || c == L'=' || c == L'@' || c == L'_';
    out += kept ? static_cast<char>(c) : '_';
  }
  return out;
}

constexpr char kDuplicateMark = '#';

}  // namespace

std::string DriveBaseId(const DriveSlot& slot) {
  if (slot.bus == DriveBus::Ata && slot.wwn != 0) {
    char text[32];
    std::snprintf(text, sizeof text, "wwn-0x%016llx", static_cast<unsigned long long>(slot.wwn));
    return text;
  }
  const std::string model = ByIdText(slot.model);
  const std::string serial = ByIdText(slot.serialNumber);
  if (model.empty() && serial.empty()) return {};
  return std::string(DriveBusName(slot.bus)) + "-" + model + "_" + serial;
}

std::string DuplicateId(const std::string& baseId, int count) {
  if (count <= 1) return baseId;
  return baseId + kDuplicateMark + std::to_string(count);
}

}  // namespace taruk
