#pragma once
// The bytes of conf.dat: eight values on one line, separated by single spaces,
// in code page 1251, with no line end:
//
//   pollInterval criticalTemperature temperatureAction minimumFreeSpace
//   freeSpaceAction emailAddress smtpServer healthAction
//
// The minimum free space comes before the free-space action. The health
// action came last, after the Windows version's seven values: a file of
// seven reads as before with the health action at its default, a reader of
// seven stops before the eighth, and the eighth is written only when it is
// not the default (a file of the Windows version stays as it was).
//
// Numbers of 1,000 or more group their digits by three with the byte 0xA0 (the Russian
// locale's no-break space), as the Windows version of the monitor wrote them.

#include <cstddef>
#include <string>
#include <string_view>

#include "core/base/regular_file.h"
#include "core/settings/monitor_config.h"

namespace taruk {

// Longest word the reader takes for a string field.
constexpr size_t kMaxSettingsWord = 255;

// The file's bytes for `config`. False, with `bytes` untouched, when a text
// holds a character that code page 1251 cannot represent: writing such a file
// would cut it short at that character and lose every later value.
bool FormatSettings(const MonitorConfig& config, std::string& bytes);

// Where the reader takes its bytes from: a text in memory or an open file,
// read piece by piece as the values need it.
class SettingsInput {
 public:
  explicit SettingsInput(std::string_view bytes) : buffered_(bytes) {}
  explicit SettingsInput(RegularFile& file) : file_(&file) {}
  SettingsInput(const SettingsInput&) = delete;
  SettingsInput& operator=(const SettingsInput&) = delete;

  // The next character, or -1 at the end. A byte the code page leaves
  // undefined, or a read error, ends the text there.
  int Peek();
  void Advance() { ++position_; }
  // How many bytes came before the next character.
  size_t Offset() const { return chunkStart_ + position_; }
  // Why the text ended before the bytes did (an undefined byte, a read
  // error); empty when it ended with them.
  const std::string& EndedEarly() const { return endedEarly_; }

 private:
  bool Refill();

  RegularFile* file_ = nullptr;
  std::string_view buffered_;
  size_t position_ = 0;
  size_t chunkStart_ = 0;  // offset in the file of buffered_'s first byte
  char chunk_[4096];
  bool ended_ = false;
  std::string endedEarly_;
};

// Whether the reading understood every byte: the seven values the Windows
// version writes, the optional eighth, and nothing after them but white
// space. A file read in part is never written over: what it holds beyond
// what was understood (an address after a typo) would be lost.
struct SettingsReading {
  bool whole = true;
  std::string problem;  // what was not understood, where; empty when whole
};

// Reads the values over `config`, which holds the defaults, the way a C++
// text stream reads them one after another:
// - an integer that can't be read (no digits, the end of the text, a value
//   outside 32 bits, digit groups in the wrong places) keeps its default and
//   puts the reading into its failed state, so every later integer keeps its
//   default too;
// - each string field always takes the word read, which is empty once the
//   reading has failed or reached the end;
// - a word longer than kMaxSettingsWord characters is refused like an
//   unreadable integer: the field becomes empty and the reading fails.
SettingsReading ReadSettings(SettingsInput& input, MonitorConfig& config);
SettingsReading ReadSettingsText(std::string_view bytes, MonitorConfig& config);

}  // namespace taruk
