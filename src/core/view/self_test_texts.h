#pragma once
// What the windows say about running self-tests.

#include <string>

#include "core/drive/drive_slot.h"

namespace taruk {

// "HD1: self-test 40 %", one line per present drive running a test, joined
// by line ends; empty when none runs.
std::wstring RunningSelfTestLines(const DriveSlots& slots);

}  // namespace taruk
