#include "support/pages.h"

namespace taruk {

void PutAtaString(Page& page, int firstWord, int wordCount, const std::string& text) {
  for (int i = 0; i < 2 * wordCount && i < static_cast<int>(text.size()); ++i) {
    // Character 2k sits in the high byte of word k.
    const int byte = 2 * firstWord + (i % 2 == 0 ? i + 1 : i - 1);
    page[byte] = static_cast<uint8_t>(text[i]);
  }
}

namespace {

std::string Padded(const std::string& text, size_t length) {
  return text.size() >= length ? text.substr(0, length) : text + std::string(length - text.size(), ' ');
}

void PutWord(Page& page, int word, uint16_t value) {
  page[2 * word] = static_cast<uint8_t>(value);
  page[2 * word + 1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

Page IdentifyPage(const std::string& model, const std::string& firmware, const std::string& serial, uint16_t cylinders,
                  uint16_t heads, uint16_t sectors) {
  Page page{};
  PutWord(page, 0, 0x0040);
  PutWord(page, 1, cylinders);
  PutWord(page, 3, heads);
  PutWord(page, 6, sectors);
  PutAtaString(page, 10, 10, Padded(serial, 20));
  PutAtaString(page, 23, 4, Padded(firmware, 8));
  PutAtaString(page, 27, 20, Padded(model, 40));
  return page;
}

Page AttributePage(const std::vector<AttributeSpec>& entries) {
  Page page{};
  page[0] = 0x10;  // revision, not read
  for (const AttributeSpec& wanted : entries) {
    uint8_t* entry = page.data() + 2 + 12 * wanted.entry;
    entry[0] = wanted.id;
    entry[1] = 0x33;  // status flags, not read
    entry[3] = wanted.current;
    entry[4] = wanted.worst;
    for (size_t i = 0; i < wanted.raw.size() && i < 6; ++i) entry[5 + i] = wanted.raw[i];
    entry[11] = 0xEE;  // reserved, not read
  }
  return page;
}

Page ThresholdPage(const std::vector<ThresholdSpec>& entries) {
  Page page{};
  page[0] = 0x10;
  for (const ThresholdSpec& wanted : entries) {
    page[2 + 12 * wanted.entry] = wanted.id;
    page[3 + 12 * wanted.entry] = wanted.threshold;
  }
  return page;
}

}  // namespace taruk
