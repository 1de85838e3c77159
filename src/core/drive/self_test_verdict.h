#pragma once
// What a drive's self-tests and error log add to its verdict. A failed test
// found a fault the attributes may not show yet (a sector under a file
// nobody has read for months); an error log that counts errors says the
// drive failed commands.

#include <optional>
#include <string>
#include <vector>

#include "core/drive/drive_health.h"
#include "core/drive/drive_slot.h"
#include "core/drive/self_test.h"

namespace taruk {

// The failure that stands, from a log newest first: the newest failed test
// not outdated by a later extended test that passed (a passed short test
// reads too little of the surface to clear it). Aborted and interrupted
// tests say nothing either way.
std::optional<SelfTestEntry> StandingSelfTestFailure(const std::vector<SelfTestEntry>& log);

// "Extended self-test failed at LBA 123456 (hour 7326)".
std::wstring SelfTestFailureText(const SelfTestEntry& failure);

// Adds to `health` (of a drive whose verdict is known): bad for a standing
// failed test (for an ATA drive without a log, for a failed last test as its
// SMART data reports it), caution for a non-zero ATA error-log count, which
// also becomes the count the health alarm watches rise.
void AddSelfTestReasons(const DriveSlot& slot, DriveHealth& health);

}  // namespace taruk
