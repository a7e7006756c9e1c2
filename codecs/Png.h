#pragma once
// PNG through libpng. Like the platform picture library it stood in for, it also accepts
// JPEG, GIF and BMP content under a ".png" name; 13 bytes or less give an empty picture.
#include "codecs/Picture.h"

namespace pixmira {

class TPNGPicture : public TPicture {
 public:
  void LoadFromMemory(std::span<const uint8_t> data) override;
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // Blends by alpha over what the target holds: (s*a + d*(255-a) + 127) div 255 at its own
  // size, bilinear when scaled.
  void Draw(TBitmap& target, const TRect& rect) const override;
  // Composited over black: c * a / 255, rounded to nearest.
  std::unique_ptr<TBitmap> ToBitmap() const override;

  // Straight (not premultiplied) blue, green, red, alpha; rows from the top.
  const std::vector<uint8_t>& Bgra() const { return bgra_; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t> bgra_;
};

}  // namespace pixmira
