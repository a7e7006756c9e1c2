#pragma once
// WebP through libwebp: lossy, lossless, with or without alpha. An animation shows its first
// frame.
#include "codecs/Picture.h"

namespace pixmira {

class TWebPPicture : public TAlphaPicture {
 public:
  // Raises EInvalidGraphic for damaged data or a size we refuse.
  void LoadFromMemory(std::span<const uint8_t> data) override;
};

}  // namespace pixmira
