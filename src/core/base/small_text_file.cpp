#include "core/base/small_text_file.h"

#include <algorithm>

#include "core/base/regular_file.h"

namespace taruk {

SmallFileStatus ReadSmallTextFile(const std::string& path, std::size_t maxBytes, std::string& text,
                                  std::string& error) {
  RegularFile file(path);
  switch (file.Outcome()) {
    case RegularFile::Opening::Opened:
      break;
    case RegularFile::Opening::Missing:
      return SmallFileStatus::Missing;
    case RegularFile::Opening::NotRegular:
      error = path + ": not a regular file";
      return SmallFileStatus::Bad;
    case RegularFile::Opening::Failed:
      error = path + ": cannot read: " + file.ErrorText();
      return SmallFileStatus::Bad;
  }
  // Room for what the file says it holds and one byte more, where the end of
  // the file (or a file over the limit) shows. Zeroing a buffer of the
  // largest size allowed would cost far more than the read, every cycle.
  std::string content(std::min(file.StatedSize(), maxBytes) + 1, '\0');
  std::size_t length = 0;
  while (true) {
    if (length == content.size()) {
      // More than the file said: it grew, or it tells no size.
      if (content.size() > maxBytes) break;
      content.resize(std::min(content.size() * 2, maxBytes + 1));
    }
    const long long n = file.Read(content.data() + length, content.size() - length);
    if (n == 0) break;
    if (n < 0) {
      error = path + ": cannot read: " + file.ErrorText();
      return SmallFileStatus::Bad;
    }
    length += static_cast<std::size_t>(n);
  }
  if (length > maxBytes) {
    error = path + ": larger than " + std::to_string(maxBytes) + " bytes";
    return SmallFileStatus::Bad;
  }
  content.resize(length);
  text = std::move(content);
  return SmallFileStatus::Read;
}

}  // namespace taruk
