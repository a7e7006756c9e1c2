#pragma once
// Smooth text: glyphs rasterised two-valued at 4x size (FreeType, faces found through
// fontconfig), rotated in fixed point, averaged in 4 x 4 blocks and blended by opacity.
#include <string>
#include <string_view>

#include "imaging/Bitmap.h"

namespace pixmira {

struct TTextExtent {
  int width = 0;
  int height = 0;
  bool operator==(const TTextExtent&) const = default;
};

// Bound to a target bitmap; draws with the bitmap's current font and brush.
class TSmoothFontEx {
 public:
  explicit TSmoothFontEx(TBitmap& canvas);

  void SetAlpha(int percent);  // clamped to 0..100
  void SetAngle(int degrees);  // -360..360

  // Size of the box TextOut covers; lines separated by CR LF.
  TTextExtent TextExtent(std::string_view utf8) const;
  int TextWidth(std::string_view utf8) const { return TextExtent(utf8).width; }
  int TextHeight(std::string_view utf8) const { return TextExtent(utf8).height; }

  // The rotated box's top-left corner at (x, y); clipped; an empty text draws nothing.
  void TextOut(int x, int y, std::string_view utf8);

 private:
  TBitmap& canvas_;
  int alpha_ = 100;
  int angle_ = 0;
};

// Character height in pixels of a size in points: round(size * 96 / 72), halves away.
int FontPixelHeight(int points);

}  // namespace pixmira
