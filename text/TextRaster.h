#pragma once
// Text laid out and rasterised two-valued with FreeType: lines at CR LF, left-aligned, the
// face's line spacing, no wrap, no kerning. Characters the face lacks come from a fallback
// face that fontconfig offers for them. One FreeType library per thread, so separate threads
// never share FreeType state.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/Bitmap.h"

namespace pixmira {

// An 8-bit grey image, 0 = no ink, 255 = ink; rows padded to multiples of 4 bytes.
class TGreyImage {
 public:
  TGreyImage() = default;
  // All 0. Raises EInvalidGraphic beyond the picture pixel limit.
  TGreyImage(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  std::size_t Stride() const { return stride_; }
  uint8_t* Row(int y) { return pixels_.data() + std::size_t(y) * stride_; }
  const uint8_t* Row(int y) const { return pixels_.data() + std::size_t(y) * stride_; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::size_t stride_ = 0;
  std::vector<uint8_t> pixels_;
};

// The text's code points, one string per line. CR LF, a lone CR and a lone LF each end a
// line; bytes that are not UTF-8 become U+FFFD.
std::vector<std::u32string> SplitLines(std::string_view utf8);

struct TLayoutSize {
  int64_t width = 0;
  int64_t height = 0;
};

class TTextRaster {
 public:
  // The font's face, weight, slant and underline, with an em height of emPixels. Raises
  // Exception when no font can be loaded at all.
  TTextRaster(const TFont& font, int emPixels);
  ~TTextRaster();
  TTextRaster(const TTextRaster&) = delete;
  TTextRaster& operator=(const TTextRaster&) = delete;

  // The layout rectangle: the widest line's advance, rounded up, by lines × line spacing.
  TLayoutSize Measure(std::string_view utf8);
  // Ink as 255 with the layout rectangle's top-left at (0, 0); clipped to the image.
  void Draw(std::string_view utf8, TGreyImage& image);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace pixmira
