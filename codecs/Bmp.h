#pragma once
// Our own BMP reader: core and info headers (v3, v4, v5), 1/4/8/16/24/32 bits, RLE4, RLE8,
// bit fields, bottom-up and top-down.
#include "codecs/Picture.h"

namespace pixmira {

class TBMPImage : public TPicture {
 public:
  void LoadFromMemory(std::span<const uint8_t> data) override;
  int Width() const override;
  int Height() const override;
  void Draw(TBitmap& target, const TRect& rect) const override;
  std::unique_ptr<TBitmap> ToBitmap() const override;
  std::unique_ptr<TBitmap> TakeBitmap() override;

 private:
  TBitmap bitmap_;
};

// Raises EInvalidGraphic with a clear message on anything it cannot read.
TBitmap DecodeBmp(std::span<const uint8_t> data);

}  // namespace pixmira
