#pragma once
// HEIC and HEIF through libheif: the primary image, turned and mirrored as the file says, its
// ICC profile (when it has one) brought to sRGB.
#include "codecs/Picture.h"

namespace pixmira {

class THEIFPicture : public TAlphaPicture {
 public:
  // Raises EInvalidGraphic for damaged data or a size we refuse.
  void LoadFromMemory(std::span<const uint8_t> data) override;
};

}  // namespace pixmira
