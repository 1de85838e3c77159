#include "core/base/cp1251.h"

#include <array>
#include <utility>

#include "linux/system/iconv_converter.h"

namespace taruk {

namespace {

// The code page maps each byte on its own, so the reading side is a table
// built once from iconv's answers.
std::array<int, 256> BuildDecodeTable() {
  std::array<int, 256> table{};
  table.fill(-1);
  const IconvConverter converter("WCHAR_T", "CP1251");
  if (!converter.ok()) return table;
  for (int byte = 0; byte < 256; ++byte) {
    char in = static_cast<char>(byte);
    wchar_t out = 0;
    char* inPtr = &in;
    size_t inLeft = 1;
    char* outPtr = reinterpret_cast<char*>(&out);
    size_t outLeft = sizeof out;
    converter.Reset();
    if (iconv(converter.get(), &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) && inLeft == 0 &&
        outLeft == 0) {
      table[byte] = static_cast<int>(out);
    }
  }
  return table;
}

}  // namespace

int DecodeCp1251Byte(unsigned char byte) {
  static const std::array<int, 256> table = BuildDecodeTable();
  return table[byte];
}

bool EncodeCp1251(const std::wstring& text, std::string& bytes) {
  thread_local const IconvConverter converter("CP1251", "WCHAR_T");
  if (!converter.ok()) return false;
  converter.Reset();
  // A single-byte code page: never more bytes than characters.
  std::string out(text.size(), '\0');
  char* inPtr = const_cast<char*>(reinterpret_cast<const char*>(text.data()));
  size_t inLeft = text.size() * sizeof(wchar_t);
  char* outPtr = out.data();
  size_t outLeft = out.size();
  if (iconv(converter.get(), &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
    return false;  // EILSEQ: a character outside the code page
  }
  if (inLeft != 0) return false;
  out.resize(out.size() - outLeft);
  bytes = std::move(out);
  return true;
}

}  // namespace taruk
