#pragma once
// Tiny PNG files written in the tests, so frame and watermark pictures are visible in code.
#include <png.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/Bitmap.h"

namespace pixmira::test {

// Straight blue, green, red, alpha, rows from the top.
inline void WritePngBgra(const std::string& path, int width, int height,
                         const std::vector<uint8_t>& bgra) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = PNG_FORMAT_BGRA;
  if (!png_image_write_to_file(&image, path.c_str(), 0, bgra.data(), 0, nullptr))
    throw std::runtime_error("cannot write " + path + ": " + image.message);
}

inline void WritePngBitmap(const std::string& path, const TBitmap& bitmap) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = bitmap.Width();
  image.height = bitmap.Height();
  image.format = PNG_FORMAT_BGR;
  if (!png_image_write_to_file(&image, path.c_str(), 0, bitmap.Data(),
                               static_cast<png_int_32>(bitmap.Stride()), nullptr))
    throw std::runtime_error("cannot write " + path + ": " + image.message);
}

// One colour with one alpha over the whole picture.
inline std::vector<uint8_t> SolidBgra(int width, int height, TColor color, uint8_t alpha) {
  std::vector<uint8_t> bgra;
  bgra.reserve(std::size_t(width) * height * 4);
  for (int i = 0; i < width * height; ++i) {
    bgra.push_back(BlueOf(color));
    bgra.push_back(GreenOf(color));
    bgra.push_back(RedOf(color));
    bgra.push_back(alpha);
  }
  return bgra;
}

inline void SetBgra(std::vector<uint8_t>& bgra, int width, int x, int y, TColor color,
                    uint8_t alpha) {
  uint8_t* p = bgra.data() + (std::size_t(y) * width + x) * 4;
  p[0] = BlueOf(color);
  p[1] = GreenOf(color);
  p[2] = RedOf(color);
  p[3] = alpha;
}

}  // namespace pixmira::test
