#pragma once
// What `taruk --report` prints about the present drives: a text for people
// and a JSON document for scripts. Drives that are not present are left out.

#include <string>

#include "core/drive/drive_slot.h"

namespace taruk {

// Per present drive: "HD%d: model", its device and id, the capacity line of its disk button,
// serial number, firmware, temperature, work time, the health verdict with
// its reasons, and the attribute rows of the details list (id, name, value,
// threshold, worst, raw). A drive that reported standby shows its identity
// and that it was not read, unless the pass was told to `wake` it.
std::string DriveReportText(const DriveSlots& slots, bool woken = false);

// {"drives":[{"index":0,"id":"wwn-0x...","device":"/dev/sda","model":"...",...,"powerMode":"active",
// "health":"good","healthReasons":[],"attributes":[{...}]}]} on one line;
// texts exactly as stored (padding kept), raw as the details list shows it,
// the power mode as the drive reported it before it was read ("standby",
// "active" or "unknown").
std::string DriveReportJson(const DriveSlots& slots);

// The twelve lower-case hex digits of a raw value, most significant first.
std::string RawValueText(const SmartAttributeEntry& entry);

}  // namespace taruk
