#pragma once
// Smooth text: glyphs rasterised two-valued at 4x size (FreeType, faces found through
// fontconfig), rotated in fixed point, averaged in 4 x 4 blocks and blended by opacity.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/Bitmap.h"
#include "imaging/SampleGrid.h"
#include "text/TextRaster.h"

namespace pixmira {

struct TTextExtent {
  int width = 0;
  int height = 0;
  bool operator==(const TTextExtent&) const = default;
};

// Coverage of a text in destination pixels, 0 = no ink, 255 = full ink; rows padded to
// multiples of 4 bytes.
struct TSmoothMask {
  int width = 0;
  int height = 0;
  std::size_t stride = 0;
  std::vector<uint8_t> coverage;

  TSmoothMask() = default;
  TSmoothMask(int w, int h);  // all 0
  uint8_t* Row(int y) { return coverage.data() + std::size_t(y) * stride; }
  const uint8_t* Row(int y) const { return coverage.data() + std::size_t(y) * stride; }
};

// Bound to a target bitmap; draws with the bitmap's current font and brush.
class TSmoothFontEx {
 public:
  explicit TSmoothFontEx(TBitmap& canvas);

  void SetAlpha(int percent);  // clamped to 0..100
  void SetAngle(int degrees);  // brought into -360..360, keeping the direction

  // Size of the box TextOut covers; lines separated by CR LF. An empty text is 0 × 0.
  TTextExtent TextExtent(std::string_view utf8) const;
  int TextWidth(std::string_view utf8) const { return TextExtent(utf8).width; }
  int TextHeight(std::string_view utf8) const { return TextExtent(utf8).height; }

  // The rotated box's top-left corner at (x, y); clipped; an empty text draws nothing.
  void TextOut(int x, int y, std::string_view utf8);

  // TextOut in two halves, so that one mask can be drawn at many places.
  TSmoothMask MakeMask(std::string_view utf8) const;
  // The font colour mixed in by coverage × opacity; a solid brush first fills the box.
  void DrawMask(int x, int y, const TSmoothMask& mask);
  // The same on a canvas gathered by grid from the whole picture, (x, y) in its pixels.
  void DrawMask(int x, int y, const TSmoothMask& mask, const TSampleGrid& grid);

 private:
  TTextExtent UnrotatedExtent(std::string_view utf8) const;

  TBitmap& canvas_;
  int alpha_ = 100;
  int angle_ = 0;
};

// Character height in pixels of a size in points: round(size * 96 / 72), halves away.
int FontPixelHeight(int points);

// An italic text's box width: width + round(width / n * 0.3), ties to even, n the text's
// length in GBK bytes, for the glyphs' lean past their advance.
int ItalicWidth(int width, std::string_view utf8);

// The box of an unrotated w × h box turned by angle degrees: its four corners turned in
// floating point and rounded to the nearest integer, ties to even.
TTextExtent RotatedExtent(TTextExtent unrotated, int angle);

// A 4x work image turned by angle (fill 0, the picture rotation's fixed-point rule), its
// size divided by 4 and every 4 × 4 block averaged: sum >> 4.
TSmoothMask MaskFromWorkImage(const TGreyImage& work, int angle);

}  // namespace pixmira
