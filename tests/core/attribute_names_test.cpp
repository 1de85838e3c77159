#include "core/drive/attribute_names.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

using namespace taruk;

TEST(AttributeNames, SharedAndUnknownSpellingsKeepTheirPadding) {
  EXPECT_EQ(std::wstring(AttributeNames[194]), L"Temperature ");
  EXPECT_EQ(std::wstring(AttributeNames[231]), L"Temperature ");
  EXPECT_EQ(std::wstring(AttributeNames[190]), L"(Unknown attribute)");
  EXPECT_EQ(std::wstring(AttributeNames[158]), L"(Unknown attribute)     ");
  EXPECT_EQ(std::wstring(AttributeNames[14]), L"(Unknown attribute)     ");
  EXPECT_EQ(std::wstring(AttributeNames[206]), L"(Unknown attribute)");
  EXPECT_EQ(std::wstring(AttributeNames[255]), L"(Unknown attribute)");
  EXPECT_EQ(std::wstring(AttributeNames[0]), L"No Attribute Here       ");
}

TEST(AttributeNames, EveryIdHasANameOfTheListedLength) {
  // Lengths of the named ids, spaces included; the unknown spellings are 24
  // (padded: 14..95 and 102..158) or 19 characters.
  const std::pair<int, size_t> named[] = {{5, 24},   {13, 24},  {191, 18}, {192, 23}, {193, 23}, {194, 12}, {195, 20},
                                          {196, 26}, {197, 29}, {198, 27}, {199, 24}, {200, 44}, {201, 20}, {202, 21},
                                          {203, 24}, {204, 37}, {205, 36}, {207, 27}, {208, 19}, {209, 34}, {220, 11},
                                          {221, 53}, {222, 13}, {223, 24}, {224, 14}, {225, 24}, {226, 13}, {227, 27},
                                          {228, 24}, {230, 19}, {231, 12}, {240, 28}, {250, 22}};
  for (const auto& [id, length] : named) EXPECT_EQ(std::wcslen(AttributeNames[id]), length) << id;
  int padded = 0;
  int plain = 0;
  for (int id = 0; id < 256; ++id) {
    ASSERT_NE(AttributeNames[id], nullptr);
    const std::wstring name = AttributeNames[id];
    if (name == L"(Unknown attribute)     ") ++padded;
    if (name == L"(Unknown attribute)") ++plain;
  }
  EXPECT_EQ(padded, (95 - 14 + 1) + (158 - 102 + 1));
  EXPECT_EQ(plain, 256 - 45 - padded);
}
