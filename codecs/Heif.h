#pragma once
// HEIC and HEIF through libheif: the primary image, turned and mirrored as the file says, its
// ICC profile (when it has one) brought to sRGB.
#include <cstdint>
#include <span>
#include <vector>

#include "codecs/Picture.h"

namespace pixmira {

class THEIFPicture : public TAlphaPicture {
 public:
  // Raises EInvalidGraphic for damaged data or a size we refuse.
  void LoadFromMemory(std::span<const uint8_t> data) override;
};

// The primary image's EXIF block (TIFF bytes) and ICC profile; empty for what a file lacks, a
// damaged file and anything not HEIF.
void ReadHeifMetadata(std::span<const uint8_t> data, std::vector<uint8_t>& exif,
                      std::vector<uint8_t>& icc);

}  // namespace pixmira
