#pragma once
// Small pictures written out pixel by pixel, so the expected result is visible in a test.
#include <initializer_list>
#include <vector>

#include "imaging/Bitmap.h"

namespace pixmira::test {

// Rows from the top, each a list of colours of equal length.
inline TBitmap MakePicture(std::initializer_list<std::initializer_list<TColor>> rows) {
  const int h = int(rows.size());
  const int w = h ? int(rows.begin()->size()) : 0;
  TBitmap bmp(w, h);
  int y = 0;
  for (const auto& row : rows) {
    int x = 0;
    for (TColor c : row) bmp.SetPixel(x++, y, c);
    ++y;
  }
  return bmp;
}

inline std::vector<std::vector<TColor>> PixelsOf(const TBitmap& bmp) {
  std::vector<std::vector<TColor>> rows(std::size_t(bmp.Height()));
  for (int y = 0; y < bmp.Height(); ++y) {
    for (int x = 0; x < bmp.Width(); ++x) rows[std::size_t(y)].push_back(bmp.Pixel(x, y));
  }
  return rows;
}

// Every pixel a different colour, so a moved pixel is always noticed.
inline TBitmap Numbered(int w, int h) {
  TBitmap bmp(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) bmp.SetPixel(x, y, TColor(y * w + x + 1) * 2654435761u & 0xFFFFFF);
  }
  return bmp;
}

}  // namespace pixmira::test
