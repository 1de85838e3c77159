#pragma once
// Finding one reply in the bytes received from an SMTP server. A reply may
// arrive in many pieces and span many lines ("250-first", "250-second",
// "250 last"); only its final line decides it.

#include <cstddef>
#include <string>

namespace taruk {

// How much a reply may hold before the server is taken to be broken.
constexpr size_t MaxReplyBytes = 64 * 1024;

struct ReplyBounds {
  size_t checked = 0;    // lines before this are complete and not final
  size_t finalLine = 0;  // where the final line starts
  size_t end = 0;        // just behind the final line's line end
};

// The first complete reply at the start of `received`. False while its final
// line has not fully arrived; call again with the same bounds once more bytes
// are appended, and the lines already seen are not searched again. A final line is three digits alone, or any line
// whose fourth character is a space. Lines end in CR LF; a lone LF is taken
// as a line end too.
bool FindReply(const std::string& received, ReplyBounds& bounds);

// The code of a reply line: its first three characters read as a decimal
// number, leading white space skipped. 0 when they hold no number, which no
// expected code equals.
int ReplyCode(const std::string& line);

}  // namespace taruk
