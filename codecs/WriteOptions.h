#pragma once
// What a picture writer is told besides the pixels.
#include <cstdint>
#include <vector>

#include "codecs/Metadata.h"
#include "imaging/Bitmap.h"

namespace pixmira {

struct TWriteOptions {
  int quality = 90;                            // 1..100 for lossy writers
  bool progressive = false;                    // JPEG
  bool lossless = false;                       // WebP
  const TPictureMetadata* metadata = nullptr;  // carried into the file when given
};

// A format's writer: the whole file in memory. Raises the codec's error.
using TWriter = std::vector<uint8_t> (*)(const TBitmap& bitmap, const TWriteOptions& options);

}  // namespace pixmira
