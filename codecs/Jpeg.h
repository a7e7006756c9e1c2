#pragma once
// JPEG through libjpeg. Every libjpeg error becomes EJPEG "JPEG error #%d".
#include "codecs/Picture.h"

namespace pixmira {

inline constexpr int kDefaultJpegQuality = 90;

class TJPEGImage : public TPicture {
 public:
  // Colour decodes to 24-bit; greyscale through libjpeg's one-pass quantisation to 236
  // colours with Floyd-Steinberg dithering. The EXIF orientation is applied.
  void LoadFromMemory(std::span<const uint8_t> data) override;
  int Width() const override;
  int Height() const override;
  void Draw(TBitmap& target, const TRect& rect) const override;
  std::unique_ptr<TBitmap> ToBitmap() const override;

 private:
  std::unique_ptr<TBitmap> decoded_;
};

// Baseline colour JPEG at quality (1..100), libjpeg's defaults otherwise.
std::vector<uint8_t> EncodeJpeg(const TBitmap& bitmap, int quality = kDefaultJpegQuality);

}  // namespace pixmira
