#pragma once
// Pictures handed to and from Pillow in the tests: binary PPM out, raw RGB bytes back.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "imaging/Bitmap.h"
#include "support/TestSupport.h"

namespace pixmira::test {

inline void WritePpm(const std::string& path, const TBitmap& b) {
  std::string bytes =
      "P6\n" + std::to_string(b.Width()) + " " + std::to_string(b.Height()) + "\n255\n";
  for (int y = 0; y < b.Height(); ++y) {
    const uint8_t* p = b.Row(y);
    for (int x = 0; x < b.Width(); ++x, p += 3) bytes += {char(p[2]), char(p[1]), char(p[0])};
  }
  WriteFile(path, bytes);
}

// Largest difference of any channel between ours and raw RGB bytes; 256 for a size mismatch.
inline int MaxDifference(const TBitmap& ours, const std::string& rgb) {
  if (rgb.size() != std::size_t(ours.Width()) * ours.Height() * 3) return 256;
  int worst = 0;
  const auto* theirs = reinterpret_cast<const uint8_t*>(rgb.data());
  for (int y = 0; y < ours.Height(); ++y) {
    const uint8_t* p = ours.Row(y);
    for (int x = 0; x < ours.Width(); ++x, p += 3, theirs += 3) {
      for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(int(p[2 - c]) - theirs[c]));
    }
  }
  return worst;
}

}  // namespace pixmira::test
