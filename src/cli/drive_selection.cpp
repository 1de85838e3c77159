#include "cli/drive_selection.h"

#include <algorithm>

namespace taruk {

namespace {

// "/dev/sdc" or "\\.\PhysicalDrive2"; an id never starts so.
bool IsDeviceName(const std::string& word) { return word.starts_with("/") || word.starts_with("\\\\.\\"); }

bool Contains(const std::vector<std::string>& words, const std::string& text) {
  return !text.empty() && std::find(words.begin(), words.end(), text) != words.end();
}

}  // namespace

DriveSelection DevicesToOpen(const std::vector<std::string>& words) {
  if (words.empty() || !std::all_of(words.begin(), words.end(), IsDeviceName)) return {};
  return [words](const std::string& device) { return Contains(words, device); };
}

bool IsNamed(const std::vector<std::string>& words, const std::string& device, const std::string& id) {
  return words.empty() || Contains(words, device) || Contains(words, id);
}

std::vector<std::string> UnmatchedWords(const std::vector<std::string>& words, const DriveSlots& slots) {
  std::vector<std::string> unmatched;
  for (const std::string& word : words) {
    const bool named = std::any_of(slots.begin(), slots.end(), [&](const DriveSlot& slot) {
      return slot.assigned && (slot.device == word || slot.id == word);
    });
    if (!named) unmatched.push_back(word);
  }
  return unmatched;
}

}  // namespace taruk
