#pragma once
// The grey level of one pixel of a disabled icon's grey copy, the same for
// the Qt and the Win32 icon buttons.

namespace taruk {

// Summed in this order in double precision, then cut: white stays 255, and a
// grey of 254 comes out as 253 (the sum is 253.99999999999997), as the copy
// always had it.
inline int GreyLevel(int red, int green, int blue) {
  return static_cast<int>(0.587 * green + 0.114 * blue + 0.299 * red);
}

}  // namespace taruk
