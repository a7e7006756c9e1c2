#pragma once
// Pictures for the pipeline and export tests, written as plain 24-bit BMP files so the
// pixels read back are exactly the ones drawn here.
#include <algorithm>
#include <cstdint>
#include <string>

#include "imaging/Bitmap.h"
#include "support/TestSupport.h"

namespace pixmira::test {

inline std::string BmpBytes(const TBitmap& bitmap) {
  const int w = bitmap.Width();
  const int h = bitmap.Height();
  const int stride = (w * 3 + 3) / 4 * 4;
  const uint32_t size = 54 + uint32_t(stride) * h;
  std::string out(size, '\0');
  auto put16 = [&](int at, uint32_t v) {
    out[at] = char(v & 0xFF);
    out[at + 1] = char((v >> 8) & 0xFF);
  };
  auto put32 = [&](int at, uint32_t v) {
    put16(at, v & 0xFFFF);
    put16(at + 2, v >> 16);
  };
  out[0] = 'B';
  out[1] = 'M';
  put32(2, size);
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(w));
  put32(22, uint32_t(h));  // bottom-up
  put16(26, 1);
  put16(28, 24);
  put32(34, uint32_t(stride) * h);
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = bitmap.Row(h - 1 - y);
    std::copy(row, row + w * 3, out.begin() + 54 + std::size_t(y) * stride);
  }
  return out;
}

inline void WriteBmp(const std::string& path, const TBitmap& bitmap) {
  WriteFile(path, BmpBytes(bitmap));
}

// A picture filled with one colour.
inline TBitmap Solid(int w, int h, TColor color) {
  TBitmap b(w, h);
  b.Fill(color);
  return b;
}

// Columns of distinct colours, so a wrong sampling rule or a lost column shows.
inline TBitmap Columns(int w, int h) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      b.SetPixel(x, y, RGBColor(uint8_t(x * 7), uint8_t(200 - (x % 50)), uint8_t(y * 3)));
    }
  }
  return b;
}

inline bool SamePixels(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y) {
    if (!std::equal(a.Row(y), a.Row(y) + a.Stride(), b.Row(y))) return false;
  }
  return true;
}

}  // namespace pixmira::test
