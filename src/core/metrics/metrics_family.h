#pragma once
// The pieces every metrics family of the page is written with: the family
// under its HELP and TYPE, and label values that cannot break a line.

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/utf8_text.h"

namespace taruk {

// One metric family: its samples are written under one HELP and TYPE, and a
// family without samples is left out of the page.
class MetricFamily {
 public:
  MetricFamily(const char* name, const char* help) : name(name), help(help) {}
  void Reserve(std::size_t bytes) { samples.reserve(bytes); }
  // The bytes WriteTo adds, at most.
  std::size_t Size() const { return samples.size() + 2 * name.size() + help.size() + 24; }
  // `moreLabels`, when given, follow `labels` after a comma.
  void Add(std::string_view labels, double value, std::string_view moreLabels = {}) {
    samples += name;
    if (!labels.empty()) {
      samples += '{';
      samples += labels;
      if (!moreLabels.empty()) {
        samples += ',';
        samples += moreLabels;
      }
      samples += '}';
    }
    samples += ' ';
    // Whole numbers in full (1e+08 reads badly), fractions as short as exact.
    char text[32];
    // The range first: converting a double beyond int64_t's is undefined.
    const bool whole = value < 9.0e15 && value > -9.0e15 && value == static_cast<double>(static_cast<int64_t>(value));
    const auto end = whole ? std::to_chars(text, text + sizeof text, static_cast<int64_t>(value)).ptr
                           : std::to_chars(text, text + sizeof text, value).ptr;
    samples.append(text, end);
    samples += '\n';
  }
  void WriteTo(std::string& page) const {
    if (samples.empty()) return;
    page.append("# HELP ").append(name).append(" ").append(help);
    page.append("\n# TYPE ").append(name).append(" gauge\n").append(samples);
  }

 private:
  std::string_view name;
  std::string_view help;
  std::string samples;
};

// A label value. Texts may hold any byte: control characters show as '?'
// (as in the text report), which keeps every sample on its own line.
inline std::string LabelValue(std::string_view utf8) {
  std::string value;
  for (char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') {
      value += '\\';
      value += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      value += '?';
    } else {
      value += c;
    }
  }
  return value;
}

inline std::string LabelValue(std::wstring_view text) { return LabelValue(ToUtf8(text)); }

// Drives pad their texts with spaces.
inline std::string DriveText(std::wstring_view text) {
  const size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring_view::npos) return {};
  return LabelValue(text.substr(first, text.find_last_not_of(L' ') - first + 1));
}

inline std::string Label(const char* name, std::string_view value) {
  std::string label;
  label.reserve(value.size() + 16);
  label.append(name).append("=\"").append(value).append("\"");
  return label;
}

}  // namespace taruk
