#pragma once
// The mail's texts as they go on the wire: 8-bit bytes, header values on one
// line, and a body that no line of its own can end early.

#include <ctime>
#include <string>

namespace taruk {

// Each character up to U+00FF becomes the byte of the same value; a character
// above that has no 8-bit form and goes out as "?". The whole text is kept,
// whatever its length.
std::string ToWireBytes(const std::wstring& text);
// Each byte becomes the character of the same value.
std::wstring FromWireBytes(const std::string& bytes);

bool HasLineBreak(const std::wstring& text);
// CR and LF become spaces, so a header value cannot start a header of its own.
std::wstring OnOneLine(std::wstring text);

// The body as it goes between DATA and the terminator. Every line end (CR LF,
// or a lone CR or LF, which some servers take for one) is sent as CR LF, and
// a line that begins with "." gets one more: the server removes the first
// full stop of such a line, and a line holding only "." would end the mail.
std::wstring StuffBody(const std::wstring& body);

// "Tue, 05 Mar 24 14:07:09 CET": local time, English names whatever the
// user's locale, the zone by its abbreviation. Empty when the local time
// cannot be had.
std::wstring FormatMailDate(std::time_t when);

}  // namespace taruk
