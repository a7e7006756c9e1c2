#pragma once
// WebP through libwebp: lossy, lossless, with or without alpha. An animation shows its first
// frame.
#include "codecs/Picture.h"
#include "codecs/WriteOptions.h"

namespace pixmira {

class TWebPPicture : public TAlphaPicture {
 public:
  // Raises EInvalidGraphic for damaged data or a size we refuse.
  void LoadFromMemory(std::span<const uint8_t> data) override;
};

// The export's writer: lossy at the quality, or lossless; with the metadata's EXIF block and
// colour profile (extended format) when there is one.
std::vector<uint8_t> WriteWebp(const TBitmap& bitmap, const TWriteOptions& options);

}  // namespace pixmira
