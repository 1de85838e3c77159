// Wide text holds UTF-32 on Linux and UTF-16 on Windows, where a character
// beyond U+FFFF takes two units. Every conversion gives the same bytes and
// the same names on both systems.
#include <gtest/gtest.h>

#include <string>

#include "core/base/path_text.h"
#include "core/base/utf8_text.h"
#include "core/mail/mail_text.h"

using namespace taruk;

TEST(WideText, EveryConversionReadsACharacterWholeOnEverySystem) {
  const std::wstring lone = std::wstring(1, static_cast<wchar_t>(0xD800));
  struct Case {
    std::wstring wide;
    std::string utf8;  // ToUtf8, and the name's bytes when `name`
    std::string wire;  // the mail's 8-bit text
    bool name;
  } cases[] = {
      {L"a\U0001F600b",
       "a\xF0\x9F\x98\x80"
       "b",
       "a?b", true},
      {L"\u00e9\u0416\uFFFD", "\xC3\xA9\xD0\x96\xEF\xBF\xBD", "\xE9??", true},
      {L"\U0010FFFF", "\xF4\x8F\xBF\xBF", "?", true},
      {lone + L"x", "\xEF\xBF\xBDx", "?x", false},  // a lone surrogate has no UTF-8 form
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToUtf8(c.wide), c.utf8) << c.utf8;
    EXPECT_EQ(ToWireBytes(c.wide), c.wire) << c.utf8;
    std::string bytes = "untouched";
    EXPECT_EQ(WidePathToBytes(c.wide, 100, bytes), c.name) << c.utf8;
    EXPECT_EQ(bytes, c.name ? c.utf8 : "untouched");
    if (c.name) {
      EXPECT_EQ(PathBytesToWide(c.utf8), c.wide) << c.utf8;
    }
  }

  // Bytes that form no UTF-8 (Latin-1, overlong, an encoded surrogate, cut
  // short) are escaped one by one and come back as they were.
  for (const char* text : {"J\xFCrgen", "\xC0\xAF", "\xED\xA0\x80", "ok\xE2\x82"}) {
    const std::string bytes = text;
    const std::wstring wide = PathBytesToWide(bytes);
    std::wstring escaped;
    for (const char byte : bytes) {
      const auto value = static_cast<unsigned char>(byte);
      escaped += value < 0x80 ? static_cast<wchar_t>(value) : static_cast<wchar_t>(0xDC00 + value);
    }
    EXPECT_EQ(wide, escaped) << bytes;
    std::string back;
    EXPECT_TRUE(WidePathToBytes(wide, 100, back));
    EXPECT_EQ(back, bytes);
  }
}
