#pragma once
// `taruk --report /dev/sdc` and `taruk --capture DIR ata-...`: the drives
// named on the command line, by the system's device name or by id.

#include <string>
#include <vector>

#include "core/drive/drive_slot.h"
#include "core/monitor/drive_numbering.h"

namespace taruk {

// Which drives the pass opens: only the named devices when every word is a
// device name; every drive when a word is an id, which only a drive's own
// answers tell; every drive when there are no words.
DriveSelection DevicesToOpen(const std::vector<std::string>& words);

// Whether a drive read is one of those named (any drive when none are).
bool IsNamed(const std::vector<std::string>& words, const std::string& device, const std::string& id);

// The words that named no drive of `slots`, for the user to hear about.
std::vector<std::string> UnmatchedWords(const std::vector<std::string>& words, const DriveSlots& slots);

}  // namespace taruk
