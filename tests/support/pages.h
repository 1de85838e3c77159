#pragma once
// Builds the 512-byte pages a drive returns, the way drives lay them out, so
// that tests state their content in plain values.

#include <cstdint>
#include <string>
#include <vector>

#include "core/drive/smart_device.h"

namespace taruk {

// An IDENTIFY page: the texts go in as a drive stores them (two characters
// per word, the first in the high byte), padded with spaces to the field's
// length; words 1, 3 and 6 are the default geometry.
Page IdentifyPage(const std::string& model, const std::string& firmware, const std::string& serial,
                  uint16_t cylinders = 16383, uint16_t heads = 16, uint16_t sectors = 63);

// Writes `text` into the string field of `wordCount` words at `firstWord`,
// exactly as given (no padding): the caller decides about spaces and zeros.
void PutAtaString(Page& page, int firstWord, int wordCount, const std::string& text);

struct AttributeSpec {
  int entry;  // position 0..29 on the page
  uint8_t id;
  uint8_t current;
  uint8_t worst;
  std::vector<uint8_t> raw;  // up to six bytes, least significant first
};

Page AttributePage(const std::vector<AttributeSpec>& entries);

// Threshold entries: position, id written into the entry, threshold.
struct ThresholdSpec {
  int entry;
  uint8_t id;
  uint8_t threshold;
};

Page ThresholdPage(const std::vector<ThresholdSpec>& entries);

}  // namespace taruk
