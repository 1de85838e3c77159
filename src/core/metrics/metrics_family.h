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
    // Whole numbers in full (1e+08 reads badly), fractions as short as exact.
    char number[32];
    // The range first: converting a double beyond int64_t's is undefined.
    const bool whole = value < 9.0e15 && value > -9.0e15 && value == static_cast<double>(static_cast<int64_t>(value));
    const char* numberEnd = whole ? std::to_chars(number, number + sizeof number, static_cast<int64_t>(value)).ptr
                                  : std::to_chars(number, number + sizeof number, value).ptr;
    const auto digits = static_cast<std::size_t>(numberEnd - number);
    // A page holds hundreds of samples: each is made in place, in one step.
    std::size_t braced = 0;
    if (!labels.empty()) braced = 2 + labels.size() + (moreLabels.empty() ? 0 : 1 + moreLabels.size());
    const std::size_t at = samples.size();
    samples.resize(at + name.size() + braced + digits + 2);
    char* out = Put(samples.data() + at, name);
    if (braced != 0) {
      *out++ = '{';
      out = Put(out, labels);
      if (!moreLabels.empty()) {
        *out++ = ',';
        out = Put(out, moreLabels);
      }
      *out++ = '}';
    }
    *out++ = ' ';
    out = Put(out, {number, digits});
    *out = '\n';
  }
  void WriteTo(std::string& page) const {
    if (samples.empty()) return;
    page.append("# HELP ").append(name).append(" ").append(help);
    page.append("\n# TYPE ").append(name).append(" gauge\n").append(samples);
  }

 private:
  static char* Put(char* out, std::string_view text) {
    text.copy(out, text.size());
    return out + text.size();
  }

  std::string_view name;
  std::string_view help;
  std::string samples;
};

// A label value. Texts may hold any byte: control characters show as '?'
// (as in the text report), which keeps every sample on its own line.
inline void AppendLabelValue(std::string& out, std::string_view utf8) {
  std::size_t plain = 0;  // where the bytes that go as they are begin
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    const auto byte = static_cast<unsigned char>(c);
    const bool escaped = c == '\\' || c == '"';
    if (!escaped && byte >= 0x20 && byte != 0x7F) continue;
    out.append(utf8.substr(plain, i - plain));
    if (escaped) {
      out += '\\';
      out += c;
    } else {
      out += '?';
    }
    plain = i + 1;
  }
  out.append(utf8.substr(plain));
}

inline std::string LabelValue(std::string_view utf8) {
  std::string value;
  AppendLabelValue(value, utf8);
  return value;
}

inline std::string LabelValue(std::wstring_view text) { return LabelValue(ToUtf8(text)); }

// Drives pad their texts with spaces.
inline std::string DriveText(std::wstring_view text) {
  const size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring_view::npos) return {};
  return LabelValue(text.substr(first, text.find_last_not_of(L' ') - first + 1));
}

// `name="value"` after `labels`' last, with a comma between.
inline void AppendLabel(std::string& labels, const char* name, std::string_view value) {
  if (!labels.empty()) labels += ',';
  labels.append(name).append("=\"").append(value) += '"';
}

inline std::string Label(const char* name, std::string_view value) {
  std::string label;
  label.reserve(value.size() + 16);
  label.append(name).append("=\"").append(value).append("\"");
  return label;
}

}  // namespace taruk
