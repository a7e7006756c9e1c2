#pragma once
// Our own BMP reader: core and info headers (v3, v4, v5), 1/4/8/16/24/32 bits, RLE4, RLE8,
// bit fields, bottom-up and top-down.
#include "codecs/Picture.h"

namespace pixmira {

class TBMPImage : public TDecodedPicture {
 public:
  void LoadFromMemory(std::span<const uint8_t> data) override;
};

// Raises EInvalidGraphic with a clear message on anything it cannot read.
TBitmap DecodeBmp(std::span<const uint8_t> data);

}  // namespace pixmira
