#pragma once
// The self-test part of `taruk --report`: what the drive offers, the test
// running now, the log, newest first, and the error-log count; as text
// lines and as the JSON members "selfTests" and "errorCount".

#include <string>

#include "core/drive/drive_slot.h"

namespace taruk {

// Lines ending in '\n'; empty when the drive said nothing about self-tests.
std::string SelfTestReportText(const DriveSlot& slot);

// `,"selfTests":{...},"errorCount":N`, each null when unknown.
std::string SelfTestReportJson(const DriveSlot& slot);

// The drive's status of one log entry in words, by the slot's bus.
std::string SelfTestEntryStatusText(DriveBus bus, const SelfTestEntry& entry);

// The failing LBA ("-" without one), and a SCSI failure's sense codes
// ("123456, sense 3/11/00").
std::string SelfTestFailureColumn(const SelfTestEntry& entry);

}  // namespace taruk
