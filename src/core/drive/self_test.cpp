#include "core/drive/self_test.h"

#include <cstdio>
#include <iterator>

namespace taruk {

const char* SelfTestKindName(SelfTestKind kind) {
  switch (kind) {
    case SelfTestKind::Offline:
      return "off-line";
    case SelfTestKind::Short:
      return "short";
    case SelfTestKind::Extended:
      return "extended";
    case SelfTestKind::Conveyance:
      return "conveyance";
    case SelfTestKind::Selective:
      return "selective";
    case SelfTestKind::Vendor:
      break;
  }
  return "vendor";
}

const char* SelfTestRequestName(SelfTestRequest request) {
  switch (request) {
    case SelfTestRequest::Short:
      return "short";
    case SelfTestRequest::Extended:
      return "extended";
    case SelfTestRequest::Conveyance:
      return "conveyance";
    case SelfTestRequest::Abort:
      break;
  }
  return "abort";
}

const char* SelfTestResultName(SelfTestResult result) {
  switch (result) {
    case SelfTestResult::Passed:
      return "passed";
    case SelfTestResult::Aborted:
      return "aborted";
    case SelfTestResult::Failed:
      return "failed";
    case SelfTestResult::Running:
      return "running";
    case SelfTestResult::Unknown:
      break;
  }
  return "unknown";
}

SelfTestResult AtaSelfTestResult(uint8_t code) {
  if (code == 0) return SelfTestResult::Passed;
  if (code == 1 || code == 2) return SelfTestResult::Aborted;
  if (code >= 3 && code <= 8) return SelfTestResult::Failed;
  if (code == 0xF) return SelfTestResult::Running;
  return SelfTestResult::Unknown;
}

SelfTestResult NvmeSelfTestResult(uint8_t code) {
  switch (code) {
    case 0:
      return SelfTestResult::Passed;
    case 1:
    case 2:
    case 3:
    case 4:
    case 8:
    case 9:
      return SelfTestResult::Aborted;
    case 5:
    case 6:
    case 7:
      return SelfTestResult::Failed;
    default:
      return SelfTestResult::Unknown;
  }
}

SelfTestResult ScsiSelfTestResult(uint8_t code) {
  if (code == 0) return SelfTestResult::Passed;
  if (code == 1 || code == 2) return SelfTestResult::Aborted;
  if (code >= 3 && code <= 7) return SelfTestResult::Failed;
  if (code == 0xF) return SelfTestResult::Running;
  return SelfTestResult::Unknown;
}

std::string AtaSelfTestStatusText(uint8_t code) {
  static constexpr const char* kTexts[] = {
      "Completed without error",
      "Aborted by the host",
      "Interrupted by a host reset",
      "Fatal or unknown error",
      "Completed: an unknown element failed",
      "Completed: electrical failure",
      "Completed: servo or seek failure",
      "Completed: read failure",
      "Completed: handling damage suspected",
  };
  if (code < std::size(kTexts)) return kTexts[code];
  if (code == 0xF) return "In progress";
  return "Unknown status " + std::to_string(code);
}

std::string NvmeSelfTestStatusText(uint8_t code, std::optional<uint8_t> segment) {
  static constexpr const char* kTexts[] = {
      "Completed without error",           "Aborted by a Device Self-test command", "Aborted by a controller reset",
      "Aborted: a namespace was removed",  "Aborted by a Format NVM command",       "Fatal or unknown error",
      "Completed: failed segment unknown", "Completed: a segment failed",           "Aborted for an unknown reason",
      "Aborted by a sanitize operation",
  };
  if (code == 7 && segment) return "Completed: segment " + std::to_string(*segment) + " failed";
  if (code < std::size(kTexts)) return kTexts[code];
  return "Unknown result " + std::to_string(code);
}

std::string ScsiSelfTestStatusText(const SelfTestEntry& entry) {
  static constexpr const char* kTexts[] = {
      "Completed without error",
      "Aborted by the host",
      "Aborted by a reset or another command",
      "Could not complete: unknown error",
      "Completed: failed segment unknown",
      "Completed: the first segment failed",
      "Completed: the second segment failed",
      "Completed: a segment failed",
  };
  if (entry.code == 7 && entry.failedSegment)
    return "Completed: segment " + std::to_string(*entry.failedSegment) + " failed";
  if (entry.code < std::size(kTexts)) return kTexts[entry.code];
  if (entry.code == 0xF) return "In progress";
  return "Unknown result " + std::to_string(entry.code);
}

std::string SelfTestSenseText(const SelfTestEntry& entry) {
  if (!entry.sense) return {};
  char code[16];
  std::snprintf(code, sizeof code, "%X/%02X/%02X", *entry.sense >> 16 & 0xF, *entry.sense >> 8 & 0xFF,
                *entry.sense & 0xFF);
  return code;
}

}  // namespace taruk
